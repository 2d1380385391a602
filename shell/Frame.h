#pragma once
// The picture frame every window shares: the minimise and close images, the
// navigation images of the pages, and the reset when the pointer moves over
// the window's own background.
#include <array>
#include <functional>
#include <optional>

#include "platform/Ui.h"

namespace shell {

enum class Page { Scanner = 0, RestoreAndBackup = 1, Settings = 2, Records = 3 };

constexpr int kNormal = 0, kHover = 1, kPressed = 2;
constexpr int kLeftButton = 1;

struct FrameControls {
    platform::PictureSet* ImageMin = nullptr;  // none on the scan window
    platform::PictureSet* ImageExit = nullptr;
    std::array<platform::PictureSet*, 4> navigation{};  // by Page; none on the scan window
};

struct FrameActions {
    std::function<void()> startMove;  // the system's move of the window
    std::function<void()> minimise;
    std::function<void()> close;      // on the scan window: its exit guard
    std::function<void(Page)> switchTo;
};

class Frame {
public:
    // `current` is the window's own page; none for the scan window.
    Frame(const FrameControls& controls, FrameActions actions, std::optional<Page> current);

    // The pictures each set shows when the window has loaded.
    void Load();

    void ImageCaption_MouseDown(int button);

    void ImageMin_MouseMove() { Show(c_.ImageMin, kHover); }
    void ImageMin_MouseDown() { Press(c_.ImageMin); }
    void ImageMin_MouseUp() { Release(c_.ImageMin, a_.minimise); }
    void ImageMin_Click() { Click(a_.minimise); }

    void ImageExit_MouseMove() { Show(c_.ImageExit, kHover); }
    void ImageExit_MouseDown() { Press(c_.ImageExit); }
    void ImageExit_MouseUp() { Release(c_.ImageExit, a_.close); }
    void ImageExit_Click() { Click(a_.close); }

    void Navigation_MouseMove(Page page);
    void Navigation_MouseDown(Page page);
    void Navigation_MouseUp(Page page);
    void Navigation_Click(Page page);

    // The pointer is over the window's own background.
    void Form_MouseMove();

    // A press by the keyboard or a screen reader: the image's action at once,
    // as its click (the open page's own navigation image does nothing).
    void ImageMin_Press() { Act(a_.minimise); }
    void ImageExit_Press() { Act(a_.close); }
    void Navigation_Press(Page page);
    // Ctrl+Tab and Ctrl+Shift+Tab: the next or the previous page, round the
    // four; nothing on the scan window.
    void NextPage(bool backwards);

private:
    static void Show(platform::PictureSet* set, int index) {
        if (set) set->Show(index);
    }
    void Press(platform::PictureSet* set);
    void Release(platform::PictureSet* set, const std::function<void()>& action);
    void Click(const std::function<void()>& action);
    static void Act(const std::function<void()>& action) {
        if (action) action();
    }
    platform::PictureSet* Nav(Page page) const { return c_.navigation[static_cast<int>(page)]; }

    FrameControls c_;
    FrameActions a_;
    std::optional<Page> current_;
    // One press acts once: by its release with the pressed picture showing,
    // or else by its click.
    bool actedOnRelease_ = false;
};

}  // namespace shell
