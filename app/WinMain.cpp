// Program entry point: the real services, the home page, the message loop.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32EventLog.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Machine.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32SystemRestore.h"
#include "platform/win32/Win32Ui.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Window.h"
#include "app/Windows.h"

namespace w = platform::win32;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    // The picture loader is part of OLE.
    const bool ole = SUCCEEDED(::OleInitialize(nullptr));
    int code = 0;
    try {
        w::Win32Registry registry;
        w::Win32FileSystem files;
        w::Win32CodePage codePage;
        w::Win32Profile profile;
        w::Win32Shell shell;
        w::Win32UiServices ui;
        w::Win32EventLog eventLog;
        w::Win32Environment environment;
        w::Win32SystemRestore systemRestore;
        app::App app({registry, files, codePage, profile, shell, ui, &eventLog, w::Win32Machine().UserName(), &environment,
                      &systemRestore});
        app.Start();
        MSG msg;
        BOOL got;
        while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) > 0) {
            if (w::PreTranslateKeys(msg)) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        code = got == 0 ? static_cast<int>(msg.wParam) : 1;
    } catch (const std::exception& e) {
        ::MessageBoxW(nullptr, w::Wide(e.what()).c_str(), w::Wide(platform::kProgramTitle).c_str(),
                      MB_ICONEXCLAMATION | MB_OK);
        code = 1;
    }
    if (ole) ::OleUninitialize();
    return code;
}
