#pragma once
// The list of the user-interface services over the common controls list view
// in report view, with a check box on every row.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace platform::win32 {

class Win32ListView final : public ListView {
public:
    // Creates the control as a child of parent at bounds (client pixels of
    // the parent). The parent's WM_NOTIFY is hooked for the row colours,
    // so the host window needs to forward nothing. Throws std::system_error
    // when the control cannot be created.
    Win32ListView(HWND parent, const RECT& bounds, int controlId = 0);
    ~Win32ListView() override;
    Win32ListView(const Win32ListView&) = delete;
    Win32ListView& operator=(const Win32ListView&) = delete;

    HWND Handle() const { return list_; }
    // Use this rather than WM_SETFONT: the widths kept for the column fitting
    // are measured in the list's font.
    void SetFont(HFONT font);

    void AddColumn(const std::string& header) override;
    void Clear() override;
    // Rows added while the program runs on are drawn together (the list's
    // redraw is held off meanwhile) at a turn of the message loop: the next
    // one, unless the list was drawn so only a short while ago (see
    // CatchUp). Refresh draws them at once.
    int AddRow(const std::string& text) override;
    void SetText(int row, int column, const std::string& text) override;
    std::string Text(int row, int column) const override;
    int RowCount() const override;
    // Scrolls at the next turn of the message loop, before the list paints:
    // the scan asks after every row it adds, and scrolling a shown list at
    // once costs a repaint of it each time. Only the last request counts.
    void EnsureVisible(int row) override;
    void Refresh() override;
    void SetChecked(int row, bool on) override;
    bool Checked(int row) const override;
    void SetTextColour(int row, Colour colour) override;
    Colour TextColour(int row) const override;
    void AutoSizeColumns() override;
    int Selected() const override;
    void Select(int row) override;

    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    // Rows that keep coming are drawn at most this often.
    static constexpr double kRedrawIntervalMs = 100;
    int ColumnWidth(int column) const;

private:
    // What the fitting keeps of one column: the measured width of every item
    // text, their maximum, and the fixed space the control adds to it.
    struct Column {
        std::vector<int> widths;  // one per row
        int widest = 0;
        bool widestStale = false;  // the widest text shrank: scan widths again
        std::optional<int> padding;
    };
    struct RowStyle {
        std::optional<Colour> colour;
    };

    static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool HookParent();
    void UnhookParent();
    LRESULT OnCustomDraw(LPARAM lParam) const;
    void CatchUpLater();
    void CatchUp(bool redrawNow);
    LRESULT MeasuredPaint(HWND window, WPARAM wParam, LPARAM lParam);
    bool ValidRow(int row) const { return row >= 1 && row <= static_cast<int>(rows_.size()); }
    int MeasureText(const std::string& text) const;
    void RecordWidth(int index, int column, int width);
    void RemeasureAll();
    Colour DefaultTextColour() const;

    HWND parent_ = nullptr;
    HWND list_ = nullptr;
    WNDPROC listProc_ = nullptr;  // the control's own procedure
    HDC measureDc_ = nullptr;     // for measuring texts (see MeasureText)
    std::vector<Column> columns_;
    std::vector<RowStyle> rows_;
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
};

}  // namespace platform::win32
