#pragma once
// The user-interface services the windows take from the system. Forms are
// written against these, so the same form logic runs on real windows and on
// the fakes of the tests.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

using Colour = std::uint32_t;  // 0x00BBGGRR

constexpr Colour Rgb(int r, int g, int b) {
    return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}

// QuestionNoFirst is Question with No as the default button (MB_DEFBUTTON2):
// for a question whose Yes destroys something, so that an Enter pressed
// without reading the question keeps it.
enum class MessageStyle : int { Information = 64, Exclamation = 48, Question = 36, QuestionNoFirst = 36 | 256 };
constexpr bool IsQuestion(MessageStyle style) {
    return style == MessageStyle::Question || style == MessageStyle::QuestionNoFirst;
}
enum class MessageAnswer : int { Ok = 1, Yes = 6, No = 7 };

constexpr const char* kProgramTitle = "Varnholt";

class Label {
public:
    virtual ~Label() = default;
    virtual void SetCaption(const std::string& text) = 0;
    virtual std::string Caption() const = 0;
    virtual void SetUnderline(bool on) = 0;
    // Screen readers are to say the text now, as news (a live region that
    // changed); the window says nothing of it otherwise.
    virtual void Announce() {}
};

class CheckBox {
public:
    virtual ~CheckBox() = default;
    virtual void SetValue(int value) = 0;  // 0 unticked, 1 ticked, 2 greyed
    virtual int Value() const = 0;
};

class PushButton {
public:
    virtual ~PushButton() = default;
    virtual void SetCaption(const std::string& text) = 0;
    virtual std::string Caption() const = 0;
    virtual void SetEnabled(bool on) = 0;
    virtual bool Enabled() const = 0;
    // The keyboard focus: whether the button holds it, and taking it.
    virtual bool HasFocus() const { return false; }
    virtual void TakeFocus() {}
    // Raised while enabled only.
    std::function<void()> Click;
};

// Pictures stacked at one place, exactly one of them visible (0 normal,
// 1 hover, 2 pressed).
class PictureSet {
public:
    virtual ~PictureSet() = default;
    virtual void Show(int index) = 0;
    virtual int Shown() const = 0;
};

class Timer {
public:
    virtual ~Timer() = default;
    virtual void SetInterval(unsigned milliseconds) = 0;
    virtual void SetEnabled(bool on) = 0;
    virtual bool Enabled() const = 0;
    // Never re-entered: a tick that falls due while the handler runs is dropped.
    std::function<void()> Tick;
};

// What a list shows: its owner keeps the rows, and the list asks for them
// as it draws. Rows count from 1.
class ListRows {
public:
    virtual ~ListRows() = default;
    virtual std::string Text(int row, int column) const = 0;  // column 0 is the main text
    virtual bool Ticked(int /*row*/) const { return false; }
    // The user ticked or unticked the row.
    virtual void SetTicked(int /*row*/, bool /*on*/) {}
    // The colour of the row's main text; the list's own when none.
    virtual std::optional<Colour> TextColour(int /*row*/) const { return std::nullopt; }
    // The context menu of a row (a right-click on it, or the context-menu
    // key or Shift+F10 on the selected row): its items, none for no menu.
    virtual std::vector<std::string> MenuItems(int /*row*/) const { return {}; }
    // The user chose the menu's item `item` (from 1) for the row.
    virtual void MenuChosen(int /*row*/, int /*item*/) {}
};

// A list in report view, a view of the rows of its owner: rows stay in
// their owner's order.
class ListView {
public:
    virtual ~ListView() = default;
    virtual void AddColumn(const std::string& header) = 0;
    // The rows it shows from now on; the list shows none until told how many.
    virtual void SetRows(ListRows* rows) = 0;
    // The owner holds `count` rows: those past the old count were added at
    // the end; fewer starts again from the first (0 empties the list).
    virtual void SetRowCount(int count) = 0;
    virtual int RowCount() const = 0;
    // Texts, ticks or colours of the rows shown have changed.
    virtual void RowsChanged() = 0;
    virtual void EnsureVisible(int row) = 0;
    // Every column as wide as its widest item text.
    virtual void AutoSizeColumns() = 0;
    // Shows now what the list holds: a list may draw the rows added during a
    // long run a few times a second only.
    virtual void Refresh() {}
    virtual int Selected() const = 0;  // 0 when no row is selected
    virtual void Select(int row) = 0;
};

class UiServices {
public:
    virtual ~UiServices() = default;
    // (Named so that no <windows.h> macro can touch them.)
    // Modal, titled kProgramTitle.
    virtual MessageAnswer ShowMessage(const std::string& text, MessageStyle style) = 0;
    // The yield: handles every pending window message, then returns. The
    // real services look at the queue at most about every 10 ms and return
    // at once in between, so that a caller may yield as often as it likes.
    virtual void DoEvents() = 0;
    // For long work between two yields (a key with many values), called at
    // every small step: handles the pending messages when a yield is due.
    // Not a yield of its own for those who count them.
    virtual void DoEventsIfDue() {}
    virtual double SecondsSinceMidnight() = 0;
    // The current local date and time: short date, a blank, long time (no
    // time part at exactly midnight).
    virtual std::string NowText() = 0;
    // Says `text` once to a screen reader, where the system can (the end of
    // a long run); nothing elsewhere.
    virtual void Notify(const std::string& /*text*/) {}
    // Runs `work`, which may take minutes, and returns when it is done. The
    // real services run it on a thread of its own and serve the windows'
    // messages meanwhile (a yield for the caller); without windows to serve,
    // it simply runs.
    virtual void WaitFor(const std::function<void()>& work) { work(); }
};

}  // namespace platform
