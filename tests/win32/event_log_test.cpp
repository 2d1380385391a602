// The Application log: the event source's message table in both programs,
// and an event written through the real API.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Win32EventLog.h"
#include "platform/win32/WideText.h"
#include "scan/RepairEvent.h"
#include "win32/app_test_support.h"

namespace {

namespace w = platform::win32;

// The text Event Viewer shows for `message` of the program `exe` with these
// inserts, as it makes it: from the message table of the registered file.
std::string EventText(const std::string& exe, DWORD message, const std::vector<std::string>& inserts) {
    HMODULE file = ::LoadLibraryExW(w::Wide(exe).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!file) return "<no " + exe + ">";
    std::vector<std::wstring> wide;
    for (const std::string& insert : inserts) wide.push_back(w::Wide(insert));
    std::vector<DWORD_PTR> arguments;
    for (const std::wstring& insert : wide) arguments.push_back(reinterpret_cast<DWORD_PTR>(insert.c_str()));
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                              FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                          file, message, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                          reinterpret_cast<LPWSTR>(&text), 0, reinterpret_cast<va_list*>(arguments.data()));
    std::string result = length ? w::Utf8(text, length) : "<no message " + std::to_string(message) + ">";
    ::LocalFree(text);
    ::FreeLibrary(file);
    return result;
}

TEST(EventLog, BothProgramsCarryTheMessageOfEveryEvent) {
    const std::vector<std::string> repair{"7 repaired, 5 already gone", "C:\\B\\Backup (1).reg", "ada", "all"};
    const std::vector<std::string> restore{"2 restored", "C:\\B\\Backup (1).reg", "ada"};
    for (const char* program : {"varnholt.exe", "varnholt-cli.exe"}) {
        const std::string exe = app_test::ModuleFolder() + "\\..\\" + program;
        EXPECT_EQ(EventText(exe, scan::kRepairEvent, repair),
                  "A repair of registry values ended: 7 repaired, 5 already gone.\r\n\r\n"
                  "Backup file: C:\\B\\Backup (1).reg\r\nUser: ada\r\nCategories: all\r\n")
            << program;
        EXPECT_EQ(EventText(exe, scan::kRepairRefusedEvent, repair).rfind(
                      "A repair of registry values removed nothing: 7 repaired", 0),
                  0u)
            << program;
        EXPECT_EQ(EventText(exe, scan::kRestoreEvent, restore),
                  "A backup file was restored: 2 restored.\r\n\r\nBackup file: C:\\B\\Backup (1).reg\r\nUser: ada\r\n")
            << program;
        EXPECT_EQ(EventText(exe, scan::kRestoreRefusedEvent, restore).rfind("A backup file was not restored", 0), 0u)
            << program;
    }
}

// Wine takes the event and keeps none (ReadEventLog finds no record there);
// on Windows the newest record of the Application log is this one.
TEST(EventLog, AnEventIsWrittenUnderTheProgramsSource) {
    const std::string marker = "event-log-test " + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(w::Win32EventLog().Write(platform::EventType::Information, scan::kRestoreEvent,
                                         {"1 restored", marker, "ada"}));
    HANDLE log = ::OpenEventLogW(nullptr, L"Application");
    if (!log) return;
    std::vector<BYTE> buffer(0x10000);
    DWORD read = 0, needed = 0;
    if (::ReadEventLogW(log, EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, 0, buffer.data(),
                        static_cast<DWORD>(buffer.size()), &read, &needed) && read > 0) {
        const auto* record = reinterpret_cast<const EVENTLOGRECORD*>(buffer.data());
        EXPECT_EQ(record->EventID & 0xFFFF, scan::kRestoreEvent);
        EXPECT_EQ(record->EventType, EVENTLOG_INFORMATION_TYPE);
        EXPECT_EQ(w::Utf8(reinterpret_cast<const wchar_t*>(record + 1)), "Varnholt");
        EXPECT_GT(record->UserSidLength, 0u) << "the user who ran it";
    }
    ::CloseEventLog(log);
}

}  // namespace
