#pragma once
// The list view of the user-interface services: the common controls list
// view in report view, holding no rows of its own (owner data). It asks its
// owner's rows for their texts, ticks and colours as it draws them, so a
// row added costs the same however many there are; a click on a row's tick
// box goes to the owner's row.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Ui.h"
#include "platform/win32/Window.h"

namespace platform::win32 {

class Win32ListView final : public ListView, public Window {
public:
    // Creates the control as a child of parent, one of our windows (which
    // hands the list's notifications back to it), at bounds (client pixels
    // of the parent), with a tick box on every row unless told otherwise.
    // Throws std::system_error when the control cannot be created.
    Win32ListView(HWND parent, const RECT& bounds, int controlId = 0, bool tickBoxes = true);
    ~Win32ListView() override;

    // Use this rather than WM_SETFONT: the fitting measures in the list's font.
    void SetFont(HFONT font);

    void AddColumn(const std::string& header) override;
    void SetRows(ListRows* rows) override;
    // Rows added while the program runs on are drawn together (the list's
    // redraw is held off meanwhile) at a turn of the message loop: the next
    // one, unless the list was drawn so only a short while ago (see
    // CatchUp). Refresh draws them at once.
    void SetRowCount(int count) override;
    int RowCount() const override { return count_; }
    void RowsChanged() override;
    // Scrolls at the next turn of the message loop, before the list paints:
    // the scan asks after every row it adds, and scrolling a shown list at
    // once costs a repaint of it each time. Only the last request counts.
    void EnsureVisible(int row) override;
    void Refresh() override;
    void AutoSizeColumns() override;
    int Selected() const override;
    void Select(int row) override;

    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    int ColumnWidth(int column) const;
    // Rows that keep coming are drawn at most this often.
    static constexpr double kRedrawIntervalMs = 100;

    std::optional<LRESULT> OnReflected(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // What the fitting keeps of a column: the widest text of the rows
    // measured so far, and the fixed space the control adds to it.
    struct Column {
        int widest = 0;
        std::optional<int> padding;
    };

    static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnGetDispInfo(NMLVDISPINFOW& info) const;
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw) const;
    void ToggleTick(int row);
    // The keyboard on the list is on a row: the first gets the focus mark
    // (not the selection) when none has it.
    void MarkFirstRowIfNone();
    void ShowContextMenu(HWND window, LPARAM at);
    void CatchUpLater();
    void CatchUp(bool redrawNow);
    LRESULT MeasuredPaint(HWND window, WPARAM wParam, LPARAM lParam);
    bool ValidRow(int row) const { return row >= 1 && row <= count_; }
    // With the list's font selected into the measuring DC, or without.
    int MeasureText(const std::string& text, bool fontSelected) const;
    Colour DefaultTextColour() const;

    WNDPROC listProc_ = nullptr;  // the control's own procedure
    HDC measureDc_ = nullptr;     // for measuring texts (see MeasureText)
    ListRows* rows_ = nullptr;
    int count_ = 0;
    std::vector<Column> columns_;
    int measured_ = 0;       // rows whose texts the widths hold
    bool coloured_ = false;  // some row has a colour of its own
    // Work held over to the next turn of the message loop (see CatchUp).
    int pendingVisible_ = 0;  // row to scroll to, 0 for none
    bool redrawHeld_ = false;
    bool catchUpPosted_ = false;
    bool redrawTimerSet_ = false;
    double lastRedraw_ = -1e9;  // when the held rows were last drawn, in ms
    double redrawInterval_ = kRedrawIntervalMs;
    double redrawCost_ = 0;  // ms the latest such drawing took
    bool measuringPaint_ = false;
    bool measuringMargins_ = false;  // the rows read as empty to the control (see AutoSizeColumns)
};

}  // namespace platform::win32
