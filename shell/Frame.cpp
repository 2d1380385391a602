#include "shell/Frame.h"

namespace shell {

Frame::Frame(const FrameControls& controls, FrameActions actions, std::optional<Page> current)
    : c_(controls), a_(std::move(actions)), current_(current) {}

void Frame::Load() { Form_MouseMove(); }

void Frame::ImageCaption_MouseDown(int button) {
    if (button == kLeftButton && a_.startMove) a_.startMove();
}

void Frame::Press(platform::PictureSet* set) {
    actedOnRelease_ = false;
    Show(set, kPressed);
}

void Frame::Release(platform::PictureSet* set, const std::function<void()>& action) {
    if (set && set->Shown() == kPressed && action) {
        actedOnRelease_ = true;
        action();
    }
}

void Frame::Click(const std::function<void()>& action) {
    if (actedOnRelease_) {
        actedOnRelease_ = false;
        return;
    }
    if (action) action();
}

void Frame::Navigation_MouseMove(Page page) {
    for (int i = 0; i < 4; ++i) {
        const Page other = static_cast<Page>(i);
        if (other == page) continue;
        Show(Nav(other), other == current_ ? kPressed : kNormal);
    }
    if (page != current_) Show(Nav(page), kHover);
}

void Frame::Navigation_MouseDown(Page page) { Press(Nav(page)); }

void Frame::Navigation_MouseUp(Page page) {
    if (page == current_) return;
    Release(Nav(page), [this, page] { a_.switchTo(page); });
}

void Frame::Navigation_Click(Page page) {
    if (page == current_) return;
    Click([this, page] { a_.switchTo(page); });
}

void Frame::Navigation_Press(Page page) {
    if (!current_ || page == *current_ || !Nav(page) || !a_.switchTo) return;
    a_.switchTo(page);
}

void Frame::NextPage(bool backwards) {
    if (!current_) return;
    Navigation_Press(static_cast<Page>((static_cast<int>(*current_) + (backwards ? 3 : 1)) % 4));
}

void Frame::Form_MouseMove() {
    Show(c_.ImageMin, kNormal);
    Show(c_.ImageExit, kNormal);
    for (int i = 0; i < 4; ++i) Show(Nav(static_cast<Page>(i)), static_cast<Page>(i) == current_ ? kPressed : kNormal);
}

}  // namespace shell
