// Pictures of the program's five windows, for looking at them: opens each
// window in turn over an application folder, lets it paint, and saves what
// the screen shows of it as a bitmap file. The scan window is taken after a
// whole scan. Used by tools/screenshots.
//
//   screens.exe <application folder> <output folder> [contrast]
//
// With "contrast" the windows are taken under a high-contrast theme: the
// system's colours of a black one for this session, and the windows told
// that the theme is on (Wine has no such theme to turn on).
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/Contrast.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32Ui.h"
#include "platform/win32/WideText.h"
#include "app/Windows.h"

namespace w = platform::win32;

namespace {

class FolderFiles final : public w::Win32FileSystem {
public:
    explicit FolderFiles(std::string folder) : folder_(std::move(folder)) {}
    std::string AppFolder() override { return folder_; }

private:
    std::string folder_;
};

// Handles messages until `done` holds or `limitMs` has passed.
template <typename Done>
void Pump(Done done, DWORD limitMs) {
    const ULONGLONG end = ::GetTickCount64() + limitMs;
    while (!done() && ::GetTickCount64() < end) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

// What the screen shows of the window, as a 24-bit bitmap file.
bool Save(HWND window, const std::string& path) {
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump([] { return false; }, 400);  // children paint from their own messages
    RECT r{};
    ::GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as the file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    if (!bitmap || !bits) return false;
    const DWORD stride = ((width * 3 + 3) / 4) * 4, size = stride * height;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    std::ofstream out(w::Wide(path).c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), size);
    ::DeleteObject(bitmap);
    return static_cast<bool>(out);
}

// A black high-contrast scheme, as Windows ships one.
void UseHighContrast() {
    const std::pair<int, COLORREF> scheme[] = {
        {COLOR_WINDOW, RGB(0, 0, 0)},          {COLOR_WINDOWTEXT, RGB(255, 255, 255)},
        {COLOR_HOTLIGHT, RGB(255, 255, 0)},    {COLOR_BTNFACE, RGB(0, 0, 0)},
        {COLOR_BTNTEXT, RGB(255, 255, 255)},   {COLOR_HIGHLIGHT, RGB(26, 235, 255)},
        {COLOR_HIGHLIGHTTEXT, RGB(0, 0, 0)},   {COLOR_GRAYTEXT, RGB(63, 242, 63)},
        {COLOR_3DSHADOW, RGB(255, 255, 255)},  {COLOR_3DHIGHLIGHT, RGB(255, 255, 255)},
        {COLOR_3DDKSHADOW, RGB(255, 255, 255)}, {COLOR_3DLIGHT, RGB(255, 255, 255)},
    };
    std::vector<int> indexes;
    std::vector<COLORREF> colours;
    std::map<int, COLORREF> stood;
    for (const auto& [index, colour] : scheme) {
        indexes.push_back(index);
        colours.push_back(colour);
        stood[index] = colour;
    }
    // The session's own colours, for the controls the system draws: not
    // stored, gone with the session.
    ::SetSysColors(static_cast<int>(indexes.size()), indexes.data(), colours.data());
    w::OverrideHighContrast(true, stood);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argc < 3) return 2;
    const std::string folder = w::Utf8(argv[1]), out = w::Utf8(argv[2]) + "\\";
    const bool contrast = argc > 3 && std::wstring(argv[3]) == L"contrast";
    ::LocalFree(argv);

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    ::OleInitialize(nullptr);
    if (contrast) UseHighContrast();
    int failures = 0;
    {
        w::Win32Registry registry;
        FolderFiles files(folder);
        w::Win32CodePage codePage;
        w::Win32Profile profile;
        w::Win32Shell shell;
        w::Win32UiServices ui;
        bool ended = false;
        app::App app({registry, files, codePage, profile, shell, ui}, [&] { ended = true; });
        ::SetCursorPos(2000, 2000);
        app.Start();
        if (ended) return 1;
        Pump([] { return false; }, 500);
        failures += !Save(app.OpenPage()->Handle(), out + "1-home.bmp");
        const struct {
            shell::Page page;
            const char* name;
        } pages[] = {{shell::Page::RestoreAndBackup, "2-restore.bmp"},
                     {shell::Page::Settings, "3-settings.bmp"},
                     {shell::Page::Records, "4-records.bmp"},
                     {shell::Page::Scanner, nullptr}};
        for (const auto& p : pages) {
            app.SwitchPage(*app.OpenPage(), p.page);
            if (ended) return 1;
            Pump([] { return false; }, 300);
            if (p.name) failures += !Save(app.OpenPage()->Handle(), out + p.name);
        }
        app.scanWindowShown = [&](app::ScanWindow& scan) {
            Pump([&] { return scan.LabelNamed("lblCurrentKey").Caption() == "Scan finished"; }, 600000);
            failures += !Save(scan.Handle(), out + "5-scan.bmp");
            ::PostMessageW(scan.Handle(), WM_CLOSE, 0, 0);
        };
        app.ShowScanWindow(*app.OpenPage());
    }
    ::OleUninitialize();
    return failures;
}
