// The windows as a user meets them: the time from a click on a navigation
// picture to the next page painted and taking input, and from a click on
// "Return" to the home page painted and taking input again. The program's
// own windows over an application folder of their own; clicks posted as the
// system posts them; "painted and taking input" is the moment the thread's
// queue holds nothing more (no paint, no input, no posted work). Median and
// worst of 20 switches and of 5 closes.
//
// Under a private X server no window manager runs, and Wine's X11 driver
// then waits two seconds for one at every window it hides (the page left,
// the scan window closed). The run target tells Wine's driver for this
// program that none runs (its "Managed" setting, for pages_bench.exe
// alone): the figures are the program's, as on Windows or on a desktop
// under Wine, whose window manager answers at once.
//
//   pages_bench
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/Windows.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32Ui.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Window.h"

namespace {

using platform::win32::Milliseconds;
using platform::win32::Utf8;
using platform::win32::Wide;

std::string ModuleFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::string folder = Utf8(path);
    return folder.substr(0, folder.find_last_of('\\'));
}

// The application folder in the temp folder, with the pictures the build drew.
class BenchFolder final : public platform::win32::Win32FileSystem {
public:
    BenchFolder() {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = Utf8(temp) + "varnholt-pages-bench-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryW(Wide(folder_).c_str(), nullptr);
        for (const char* picture : {"bgmain.dll", "bgother.dll", "bgscan.dll"})
            ::CopyFileW(Wide(ModuleFolder() + "\\..\\..\\app\\art\\" + picture).c_str(),
                        Wide(folder_ + "\\" + picture).c_str(), FALSE);
    }
    ~BenchFolder() override {
        for (const std::string& file : ListFiles(folder_ + "\\*")) ::DeleteFileW(Wide(folder_ + "\\" + file).c_str());
        ::RemoveDirectoryW(Wide(folder_).c_str());
    }
    std::string AppFolder() override { return folder_; }

private:
    std::string folder_;
};

// Nothing left to do: no paint, no input, no posted message, no timer due.
bool Idle() { return HIWORD(::GetQueueStatus(QS_ALLINPUT)) == 0; }

// Handles messages as the program's loop does until `done` holds (false
// after 30 s: the bench is broken).
bool PumpUntil(const std::function<bool()>& done) {
    const double end = Milliseconds() + 30000;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (platform::win32::PreTranslateKeys(msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (Milliseconds() > end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
}

// A left click at a point of a window's client area, posted as the system would.
void PostClick(HWND window, POINT at) {
    ::PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    ::PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

struct Figures {
    std::vector<double> ms;
    double Median() {
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    }
    double Worst() const { return *std::max_element(ms.begin(), ms.end()); }
};

// A thread timer's script, run inside whatever loop is running (the scan
// window's own loop is modal).
std::function<void()> script;

}  // namespace

int main() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    ::OleInitialize(nullptr);
    platform::win32::Win32Registry registry;
    BenchFolder files;
    platform::win32::Win32CodePage codePage;
    platform::win32::Win32Profile profile;
    platform::win32::Win32Shell shell;
    platform::win32::Win32UiServices ui;
    bool ended = false;
    app::App application({registry, files, codePage, profile, shell, ui}, [&] { ended = true; });
    ::SetCursorPos(4000, 4000);  // the real pointer off the windows
    application.Start();
    if (ended || !PumpUntil(Idle)) return 1;

    Figures switches;
    const char* images[] = {"ImageRestore", "ImageSettings", "ImageRecords", "ImageScanner"};
    for (int round = 0; round < 5; ++round)
        for (const char* image : images) {
            app::PageWindow* from = application.OpenPage();
            const double start = Milliseconds();
            PostClick(from->Handle(), Centre(from->PictureNamed(image).Bounds()));
            if (!PumpUntil([&] { return application.OpenPage() != from && Idle(); }) || ended) {
                std::fprintf(stderr, "no switch to %s\n", image);
                return 1;
            }
            switches.ms.push_back(Milliseconds() - start);
        }

    // The scan window: its automatic scan stopped at once, then Return.
    Figures closes;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 5, [](HWND, UINT, UINT_PTR, DWORD) {
        if (script) script();
    });
    for (int round = 0; round < 5; ++round) {
        double start = 0;
        script = [&] {
            app::ScanWindow* scan = application.OpenScanWindow();
            if (!scan || start != 0) return;
            auto& stop = scan->ButtonNamed("CommandStop");
            if (stop.Enabled()) PostClick(stop.Handle(), {10, 10});
            if (scan->LabelNamed("lblCurrentKey").Caption() == "Scan is stopped by user." && Idle()) {
                start = Milliseconds();
                PostClick(scan->ButtonNamed("CommandReturn").Handle(), {10, 10});
            }
        };
        app::PageWindow* home = application.OpenPage();
        PostClick(home->ButtonNamed("CommandScanNow").Handle(), {10, 10});
        if (!PumpUntil([&] { return start != 0 && !application.OpenScanWindow() && Idle(); })) {
            std::fprintf(stderr, "the scan window did not close\n");
            return 1;
        }
        closes.ms.push_back(Milliseconds() - start);
    }
    ::KillTimer(nullptr, timer);
    script = nullptr;

    std::printf("  page switches: worst %.0f ms of %zu\n", switches.Worst(), switches.ms.size());
    std::printf("  scan window closes: worst %.0f ms of %zu\n", closes.Worst(), closes.ms.size());
    std::printf("page switch ms: %.0f\n", switches.Median());
    std::printf("scan window close ms: %.0f\n", closes.Median());
    return 0;
}
