#pragma once
// The program's windows in the test process: the real registry, profile,
// shell and windows, an application folder of its own in the temp folder
// (with the background pictures the build drew), and message boxes that
// are recorded and answered by the test instead of shown.
#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32Ui.h"
#include "platform/win32/WideText.h"
#include "app/Windows.h"
#include "win32/ui_test_window.h"

namespace app_test {

using platform::win32::Utf8;
using platform::win32::Wide;

// Real message pumping and clock; message boxes scripted.
class ScriptedUi final : public platform::UiServices {
public:
    struct Message {
        std::string text;
        platform::MessageStyle style;
    };
    std::vector<Message> messages;
    std::deque<platform::MessageAnswer> answers;  // for question boxes; No when none is left
    // Runs at every yield (the scan's, once per key) with its 1-based count:
    // what it posts is handled inside the walk, as a user's input would be.
    std::function<void(int)> onYield;
    int yields = 0;
    // Runs at every offer to handle messages between yields (the walk's
    // values, a repair's values) with its 1-based count.
    std::function<void(int)> onDue;
    int dues = 0;

    platform::MessageAnswer ShowMessage(const std::string& text, platform::MessageStyle style) override {
        messages.push_back({text, style});
        if (!platform::IsQuestion(style)) return platform::MessageAnswer::Ok;
        if (answers.empty()) return platform::MessageAnswer::No;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void DoEvents() override {
        ++yields;
        if (onYield) onYield(yields);
        real_.DoEvents();
    }
    void DoEventsIfDue() override {
        ++dues;
        if (onDue) onDue(dues);
        real_.DoEventsIfDue();
    }
    double SecondsSinceMidnight() override { return real_.SecondsSinceMidnight(); }
    std::string NowText() override { return real_.NowText(); }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& m : messages) texts.push_back(m.text);
        return texts;
    }

private:
    platform::win32::Win32UiServices real_;
};

inline std::string ModuleFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::string folder = Utf8(path);
    return folder.substr(0, folder.find_last_of('\\'));
}

// The pictures the build drew, beside the tests' folder.
inline std::string BuiltPicture(const std::string& name) { return ModuleFolder() + "\\..\\app\\art\\" + name; }

// The real file system with the application folder in a fresh temp folder,
// whose name begins with `name`.
class AppFolderFiles final : public platform::win32::Win32FileSystem {
public:
    explicit AppFolderFiles(bool withPictures = true, const std::string& name = "varnholt-app-test") {
        static int made = 0;
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = Utf8(temp) + name + "-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++made);
        ::CreateDirectoryW(Wide(folder_).c_str(), nullptr);
        if (withPictures)
            for (const char* picture : {"bgmain.dll", "bgother.dll", "bgscan.dll"})
                ::CopyFileW(Wide(BuiltPicture(picture)).c_str(), Wide(folder_ + "\\" + picture).c_str(), FALSE);
    }
    ~AppFolderFiles() override {
        for (const std::string& file : ListFiles(folder_ + "\\RegBackups\\*"))
            ::DeleteFileW(Wide(folder_ + "\\RegBackups\\" + file).c_str());
        ::RemoveDirectoryW(Wide(folder_ + "\\RegBackups").c_str());
        for (const std::string& file : ListFiles(folder_ + "\\*")) ::DeleteFileW(Wide(folder_ + "\\" + file).c_str());
        ::RemoveDirectoryW(Wide(folder_).c_str());
    }
    std::string AppFolder() override {
        if (onAppFolder) onAppFolder();
        return folder_;
    }
    // Runs whenever the windows ask where the application folder is: at
    // every load of a window, for its background picture.
    std::function<void()> onAppFolder;
    std::string Profile() const { return folder_ + "\\ro.ini"; }
    void WriteFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(Wide(folder_ + name).c_str(), std::ios::binary) << bytes;
    }

private:
    std::string folder_;
};

inline std::string ReadProfile(const std::string& file, const char* section, const char* key) {
    wchar_t buffer[256] = {};
    ::GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), L"", buffer, 256, Wide(file).c_str());
    return Utf8(buffer);
}

// Whether this process runs in the tests' own Wine prefix, which the build
// names: a test that repairs more than its own scratch key runs there only,
// never in the prefix `make run` uses, one a user exported, or on Windows.
inline bool InTheTestsOwnPrefix() {
    wchar_t prefix[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
    std::string named = length > 0 && length < MAX_PATH ? Utf8(prefix, length) : std::string();
    while (named.size() > 1 && named.back() == '/') named.pop_back();
    return named == VH_TEST_PREFIX;
}

// Imports a backup file as a restore does.
inline void ImportWithTheRegistryEditor(const std::string& file) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring command = L"regedit.exe /s \"" + Wide(file) + L"\"";
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ::WaitForSingleObject(pi.hProcess, 60000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}

// Everything the windows take, and the application over it.
struct AppRig {
    explicit AppRig(bool withPictures = true, const std::string& folderName = "varnholt-app-test")
        : files(withPictures, folderName) {}
    platform::win32::Win32Registry registry;
    AppFolderFiles files;
    platform::win32::Win32CodePage codePage;
    platform::win32::Win32Profile profile;
    platform::win32::Win32Shell shell;
    ScriptedUi ui;
    platform::win32::Win32Environment environment;
    bool ended = false;
    std::unique_ptr<app::App> application = std::make_unique<app::App>(
        app::AppServices{registry, files, codePage, profile, shell, ui, nullptr, {}, &environment}, [this] { ended = true; });

    app::App& App() { return *application; }
    app::PageWindow* Page() const { return application->OpenPage(); }
};

// Handles every message that is waiting now, so a check sees their effects.
inline void Flush() {
    platform::win32::Win32UiServices().DoEvents();
}

// Asks a window to close when the scope ends, so that a failed check inside
// a modal window's script does not leave the test waiting on it.
struct CloseAtEnd {
    HWND window;
    ~CloseAtEnd() {
        if (::IsWindow(window)) ::PostMessageA(window, WM_CLOSE, 0, 0);
    }
};

#ifndef WM_GETDPISCALEDSIZE
#define WM_GETDPISCALEDSIZE 0x02E4
#endif

// What the system does when a window moves to a screen of `dpi` dots per
// inch: asks the window its size there, then tells it the new density with
// that size at the place it suggests (here the screen's corner). False when
// the window did not answer the question of its size.
inline bool MoveToDpi(app::FormWindow& form, int dpi) {
    SIZE size{};
    if (!::SendMessageW(form.Handle(), WM_GETDPISCALEDSIZE, dpi, reinterpret_cast<LPARAM>(&size))) return false;
    RECT suggested{0, 0, size.cx, size.cy};
    ::SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    return true;
}

inline POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// A press and release of `button` (1 left, 2 right) at a point of a
// window's client area, posted as the system would.
inline void PostPress(HWND window, POINT at, int button = 1) {
    const UINT down = button == 2 ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, up = button == 2 ? WM_RBUTTONUP : WM_LBUTTONUP;
    const WPARAM held = button == 2 ? MK_RBUTTON : MK_LBUTTON;
    ::PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
    ::PostMessageA(window, down, held, MAKELPARAM(at.x, at.y));
    ::PostMessageA(window, up, 0, MAKELPARAM(at.x, at.y));
}

// Keys held down together, in order, and let go in the reverse order, on
// the real keyboard: they go to whatever has the focus, through the
// system's input.
inline void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> input;
    for (const bool up : {false, true})
        for (size_t i = 0; i < keys.size(); ++i) {
            INPUT one{};
            one.type = INPUT_KEYBOARD;
            one.ki.wVk = up ? keys.begin()[keys.size() - 1 - i] : keys.begin()[i];
            one.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            input.push_back(one);
        }
    ::SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

// A click on a picture or label of a form window, by its layout name.
inline void ClickPicture(app::FormWindow& form, const std::string& name, int button = 1) {
    PostPress(form.Handle(), Centre(form.PictureNamed(name).Bounds()), button);
}
inline void ClickLabel(app::FormWindow& form, const std::string& name) {
    PostPress(form.Handle(), Centre(form.LabelNamed(name).Bounds()));
}
inline void ClickButton(app::FormWindow& form, const std::string& name) {
    PostPress(form.ButtonNamed(name).Handle(), {10, 10});
}

}  // namespace app_test
