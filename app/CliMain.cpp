// Entry point of varnholt-cli.exe, the console program: the real services
// and the command line as the system gives it, in UTF-16.
#include <windows.h>
#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32Console.h"
#include "platform/win32/Win32EventLog.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Machine.h"
#include "platform/win32/Win32Profile.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32SystemRestore.h"
#include "platform/win32/Win32Ui.h"
#include "platform/win32/WideText.h"

namespace w = platform::win32;

int main() {
    w::Win32Console console;
    try {
        int count = 0;
        wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
        std::vector<std::string> args;
        for (int i = 1; argv && i < count; ++i) args.push_back(w::Utf8(argv[i]));
        ::LocalFree(argv);
        w::Win32Registry registry;
        w::Win32FileSystem files;
        w::Win32CodePage codePage;
        w::Win32Profile profile;
        w::Win32UiServices clock;
        w::Win32Machine machine;
        w::Win32EventLog eventLog;
        w::Win32Environment environment;
        w::Win32SystemRestore systemRestore;
        cli::Services services{registry, files, codePage, profile, console, clock, machine, &eventLog, &environment,
                               &systemRestore};
        return cli::RunCommandLine(args, services);
    } catch (const std::exception& e) {
        console.Err(std::string("varnholt-cli: ") + e.what() + "\r\n");
    } catch (...) {
        console.Err("varnholt-cli: an unexpected failure\r\n");
    }
    return cli::kExitError;
}
