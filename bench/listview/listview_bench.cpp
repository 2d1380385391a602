// Adds 10,000 findings-like rows to a real list view twice in one run: once
// plainly, once scrolling to the new row and fitting every column after each
// row as the scan does. Prints both times and their ratio, and checks that
// the fitted widths are the control's own autosize widths.
//
//   listview_bench [rows]      the benchmark (default 10000 rows)
//   listview_bench --show N    a small ticked and coloured list, shown N s
#include "bench/BenchWindow.h"
#include "platform/win32/Win32ListView.h"
#include "platform/win32/Win32Ui.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::win32::Win32ListView;
using platform::win32::Win32UiServices;

struct Row {
    std::string type, root, key, value;
    bool ticked = false;
    std::optional<platform::Colour> colour;
};

// The rows the list shows, kept as the scan keeps its findings.
struct Rows final : platform::ListRows {
    std::vector<Row> rows;
    std::string Text(int row, int column) const override {
        const Row& r = rows[static_cast<size_t>(row - 1)];
        switch (column) {
        case 0: return r.type;
        case 1: return r.root;
        case 2: return r.key;
        default: return r.value;
        }
    }
    bool Ticked(int row) const override { return rows[static_cast<size_t>(row - 1)].ticked; }
    void SetTicked(int row, bool on) override { rows[static_cast<size_t>(row - 1)].ticked = on; }
    std::optional<platform::Colour> TextColour(int row) const override { return rows[static_cast<size_t>(row - 1)].colour; }
};

std::vector<Row> MakeRows(int count) {
    static const char* roots[] = {"HKEY_LOCAL_MACHINE", "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                  "HKEY_USERS"};
    static const char* vendors[] = {"Foo", "Contoso Tools", "Acme", "Northwind Traders Shared",
                                    "X"};
    static const char* files[] = {"bar.dll", "helper.exe", "filter.ax", "shellext64.dll",
                                  "a.ocx", "printing subsystem driver.sys"};
    std::vector<Row> rows;
    rows.reserve(static_cast<size_t>(count));
    unsigned seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFFFF; };
    for (int i = 0; i < count; ++i) {
        char guid[64];
        std::snprintf(guid, sizeof guid, "{%08X-%04X-%04X-%04X-%06X%06X}", next(),
                      next() & 0xFFFF, next() & 0xFFFF, next() & 0xFFFF, next(), next());
        std::string vendor = vendors[next() % 5], file = files[next() % 6];
        std::string path = "C:\\Program Files\\" + vendor + "\\" + file;
        Row row;
        row.type = next() % 4 ? "VALUE VALUE" : "VALUE NAME";
        row.root = roots[next() % 4];
        row.key = std::string("SOFTWARE\\Classes\\CLSID\\") + guid + "\\InprocServer32\\" +
                  (row.type == "VALUE NAME" ? path : "");
        row.value = path;
        rows.push_back(std::move(row));
    }
    return rows;
}

int AddRow(Win32ListView& list, Rows& shown, const Row& row) {
    shown.rows.push_back(row);
    const int position = static_cast<int>(shown.rows.size());
    list.SetRowCount(position);
    return position;
}

// One pass over the rows; at the end the list shows what it holds, so
// neither pass leaves its drawing outside the time. With yieldEach, the
// messages are handled after every row, as when every finding of a scan
// comes from another key: the list then draws as often as it lets itself.
double Pass(Win32ListView& list, Rows& shown, const std::vector<Row>& rows, bool fit, bool yieldEach = false) {
    shown.rows.clear();
    list.SetRowCount(0);
    platform::win32::PumpMessages();
    double start = bench::Now();
    for (const Row& row : rows) {
        int position = AddRow(list, shown, row);
        if (fit) {
            list.EnsureVisible(position);
            list.AutoSizeColumns();
        }
        if (yieldEach) platform::win32::PumpMessages();
    }
    list.Refresh();
    platform::win32::PumpMessages();
    return bench::Now() - start;
}

void AddColumns(Win32ListView& list, Rows& shown) {
    for (const char* header : {"Error Type", "Root", "Key", "Value"}) list.AddColumn(header);
    list.SetRows(&shown);
}

int Show(int seconds) {
    bench::Host host(L"Varnholt list view", WS_OVERLAPPEDWINDOW, 820, 580);
    Win32ListView list(host.Handle(), RECT{8, 8, 796, 530});
    Rows shown;
    AddColumns(list, shown);
    std::vector<Row> rows = MakeRows(24);
    for (size_t i = 0; i < rows.size(); ++i) {
        Row row = rows[i];
        row.ticked = i % 3 != 2;
        if (i % 4 == 1) {
            row.type = "Repaired";
            row.colour = platform::Rgb(0, 128, 0);
        } else if (i % 4 == 3) {
            row.colour = platform::Rgb(200, 0, 0);
        }
        AddRow(list, shown, row);
        list.AutoSizeColumns();
    }
    list.RowsChanged();
    list.Select(2);
    Win32UiServices services;
    double end = bench::Now() + seconds;
    while (bench::Now() < end) {
        services.DoEvents();
        ::Sleep(20);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--show") == 0) return Show(std::atoi(argv[2]));
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (count <= 0) {
        std::fprintf(stderr, "usage: listview_bench [rows] | --show seconds\n");
        return 2;
    }

    bench::Host host(L"Varnholt list view", WS_OVERLAPPEDWINDOW, 820, 580);
    Win32ListView list(host.Handle(), RECT{8, 8, 796, 530});
    Rows shown;
    AddColumns(list, shown);
    const std::vector<Row> rows = MakeRows(count);

    // Two rounds, best of each, alternating so that neither kind of pass
    // has the warm caches to itself.
    double plain = 1e30, fitted = 1e30;
    for (int round = 0; round < 2; ++round) {
        plain = std::min(plain, Pass(list, shown, rows, false));
        fitted = std::min(fitted, Pass(list, shown, rows, true));
    }

    // The same with a repaint after every row, on fewer rows (Wine paints
    // slowly): the fitting must not make the painting dearer either.
    const std::vector<Row> someRows(rows.begin(), rows.begin() + std::min(count, 200));
    const double plainPainted = Pass(list, shown, someRows, false, true);
    const double fittedPainted = Pass(list, shown, someRows, true, true);
    Pass(list, shown, rows, true);

    // The fitted pass was last: its widths must be what the control's own
    // autosize makes of the same rows.
    std::vector<int> ours, control;
    for (int c = 0; c < list.ColumnCount(); ++c) ours.push_back(list.ColumnWidth(c));
    for (int c = 0; c < list.ColumnCount(); ++c) {
        ::SendMessageA(list.Handle(), LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), LVSCW_AUTOSIZE);
        control.push_back(list.ColumnWidth(c));
    }

    const double ratio = fitted / plain;
    std::printf("list view, %d rows of 4 columns\n", count);
    std::printf("  adding rows, no fitting:                      %8.3f s\n", plain);
    std::printf("  adding rows, scroll + fit all columns per row: %8.3f s\n", fitted);
    std::printf("  ratio: %.2f (target at most 3)%s\n", ratio, ratio <= 3.0 ? "" : "  OVER TARGET");
    std::printf("  with the messages handled after every row, %d rows: %.3f s and %.3f s, ratio %.2f\n",
                static_cast<int>(someRows.size()), plainPainted, fittedPainted,
                fittedPainted / plainPainted);
    std::printf("  column widths:");
    for (size_t c = 0; c < ours.size(); ++c) std::printf(" %d", ours[c]);
    if (ours != control) {
        std::printf("\n  WRONG: the control's autosize gives");
        for (int w : control) std::printf(" %d", w);
        std::printf("\n");
        return 1;
    }
    std::printf(" (the control's autosize gives the same)\n");
    return 0;
}
