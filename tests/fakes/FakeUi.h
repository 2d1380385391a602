#pragma once
// Fake user-interface services and controls: they record what the program
// shows and let a test script answers and events.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace fakes {

class FakeUi : public platform::UiServices {
public:
    struct Message {
        std::string text;
        platform::MessageStyle style;
    };
    std::vector<Message> messages;
    std::deque<platform::MessageAnswer> answers;  // for question boxes; Yes when empty
    // Runs while a message box is up (the user reads it, the program waits).
    std::function<void(const std::string&)> onMessage;
    // Runs at every yield with its 1-based count.
    std::function<void(int)> onYield;
    int yields = 0;
    // Runs at every offer to handle messages between yields, with its
    // 1-based count.
    std::function<void(int)> onDue;
    int dues = 0;
    double clock = 36000.0;  // seconds since midnight
    double clockStep = 0.0;  // added after every reading
    std::string now = "12/10/2026 4:05:06 AM";

    platform::MessageAnswer ShowMessage(const std::string& text, platform::MessageStyle style) override;
    void DoEvents() override;
    void DoEventsIfDue() override {
        ++dues;
        if (onDue) onDue(dues);
    }
    double SecondsSinceMidnight() override;
    std::string NowText() override { return now; }
    std::vector<std::string> notified;  // what a screen reader was told once
    void Notify(const std::string& text) override { notified.push_back(text); }
    // The work runs here, in the caller's thread, as the real services run
    // it beside a message loop.
    int waits = 0;
    void WaitFor(const std::function<void()>& work) override {
        ++waits;
        work();
    }
};

class FakeLabel : public platform::Label {
public:
    std::string caption;
    bool underline = false;
    int changes = 0;
    void SetCaption(const std::string& text) override { caption = text; ++changes; }
    std::string Caption() const override { return caption; }
    void SetUnderline(bool on) override { underline = on; }
    std::vector<std::string> announced;  // the captions screen readers were told of
    std::function<void()> onAnnounce;
    void Announce() override {
        announced.push_back(caption);
        if (onAnnounce) onAnnounce();
    }
};

class FakeCheckBox : public platform::CheckBox {
public:
    int value = 0;
    void SetValue(int v) override { value = v; }
    int Value() const override { return value; }
};

class FakeButton : public platform::PushButton {
public:
    std::string caption;
    bool enabled = true;
    void SetCaption(const std::string& text) override { caption = text; }
    std::string Caption() const override { return caption; }
    // A disabled button hands its focus on, as the real one does.
    void SetEnabled(bool on) override {
        enabled = on;
        if (!on) focused = false;
    }
    bool Enabled() const override { return enabled; }
    bool focused = false;
    bool HasFocus() const override { return focused; }
    void TakeFocus() override { focused = true; }
    // A user's click: reaches the handler only while the button is enabled.
    void Press() {
        if (enabled && Click) Click();
    }
};

class FakePictureSet : public platform::PictureSet {
public:
    int shown = 0;
    void Show(int index) override { shown = index; }
    int Shown() const override { return shown; }
};

class FakeTimer : public platform::Timer {
public:
    unsigned interval = 0;
    bool enabled = false;
    void SetInterval(unsigned ms) override { interval = ms; }
    void SetEnabled(bool on) override { enabled = on; }
    bool Enabled() const override { return enabled; }
    void Fire() {
        if (enabled && Tick && !inTick_) {
            inTick_ = true;
            Tick();
            inTick_ = false;
        }
    }

private:
    bool inTick_ = false;
};

// A list that shows its owner's rows; the test reads them through it as the
// user would see them, and ticks as the user would.
class FakeListView : public platform::ListView {
public:
    std::vector<std::string> columns;
    platform::ListRows* rows = nullptr;
    int rowCount = 0;
    int selected = 0;
    int autoSizes = 0;
    int lastVisible = 0;

    void AddColumn(const std::string& header) override { columns.push_back(header); }
    void SetRows(platform::ListRows* shown) override { rows = shown; }
    void SetRowCount(int count) override;
    int RowCount() const override { return rowCount; }
    void RowsChanged() override {}
    void EnsureVisible(int row) override { lastVisible = row; }
    void AutoSizeColumns() override { ++autoSizes; }
    int Selected() const override { return selected; }
    void Select(int row) override { selected = row; }

    // What a row shows; throws std::out_of_range for a row not shown.
    std::string Text(int row, int column) const;
    std::vector<std::string> Texts(int row) const;
    bool Checked(int row) const;
    platform::Colour TextColour(int row) const;  // 0 for the list's own
    // The user's click on the row's tick box.
    void SetChecked(int row, bool on);
    // The user's context menu on a row: the items it shows; `choose` (from
    // 1) is the item the user then picks, 0 none.
    std::vector<std::string> OpenMenu(int row, int choose = 0) {
        Check(row);
        const std::vector<std::string> items = rows->MenuItems(row);
        if (choose > 0 && choose <= static_cast<int>(items.size())) rows->MenuChosen(row, choose);
        return items;
    }

private:
    void Check(int row) const;
};

}  // namespace fakes
