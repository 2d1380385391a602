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
};

class FakeLabel : public platform::Label {
public:
    std::string caption;
    bool underline = false;
    int changes = 0;
    void SetCaption(const std::string& text) override { caption = text; ++changes; }
    std::string Caption() const override { return caption; }
    void SetUnderline(bool on) override { underline = on; }
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
    void SetEnabled(bool on) override { enabled = on; }
    bool Enabled() const override { return enabled; }
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

class FakeListView : public platform::ListView {
public:
    struct Row {
        std::vector<std::string> texts;
        bool checked = false;
        platform::Colour colour = 0;
    };
    std::vector<std::string> columns;
    std::vector<Row> rows;
    int selected = 0;
    int autoSizes = 0;
    int lastVisible = 0;
    int failAddAt = 0;  // the nth AddRow fails (0: none does)
    int adds = 0;

    void AddColumn(const std::string& header) override { columns.push_back(header); }
    void Clear() override { rows.clear(); selected = 0; }
    int AddRow(const std::string& text) override;
    void SetText(int row, int column, const std::string& text) override;
    std::string Text(int row, int column) const override;
    int RowCount() const override { return static_cast<int>(rows.size()); }
    void EnsureVisible(int row) override { lastVisible = row; }
    void SetChecked(int row, bool on) override { At(row).checked = on; }
    bool Checked(int row) const override { return At(row).checked; }
    void SetTextColour(int row, platform::Colour colour) override { At(row).colour = colour; }
    platform::Colour TextColour(int row) const override { return At(row).colour; }
    void AutoSizeColumns() override { ++autoSizes; }
    int Selected() const override { return selected; }
    void Select(int row) override { selected = row; }

private:
    Row& At(int row);
    const Row& At(int row) const;
};

}  // namespace fakes
