#include "platform/win32/Win32EventLog.h"

#include <windows.h>

#include <memory>

#include "platform/win32/WideText.h"

namespace platform::win32 {
namespace {

struct SourceCloser {
    void operator()(HANDLE source) const { ::DeregisterEventSource(source); }
};
using Source = std::unique_ptr<std::remove_pointer_t<HANDLE>, SourceCloser>;

// The SID of the user the process runs as, for the event's "User"; empty
// when the token cannot tell (the event is written without one).
std::unique_ptr<BYTE[]> ProcessUser() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::unique_ptr<BYTE[]> user(size ? new BYTE[size] : nullptr);
    if (!user || !::GetTokenInformation(token, TokenUser, user.get(), size, &size)) user.reset();
    ::CloseHandle(token);
    return user;
}

WORD TypeOf(EventType type) {
    switch (type) {
    case EventType::Warning: return EVENTLOG_WARNING_TYPE;
    case EventType::Error: return EVENTLOG_ERROR_TYPE;
    case EventType::Information: break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

}  // namespace

bool Win32EventLog::Write(EventType type, std::uint32_t message, const std::vector<std::string>& inserts) {
    const Source source(::RegisterEventSourceW(nullptr, L"Varnholt"));
    if (!source) return false;
    std::vector<std::wstring> wide;
    for (const std::string& insert : inserts) wide.push_back(Wide(insert));
    std::vector<LPCWSTR> strings;
    for (const std::wstring& w : wide) strings.push_back(w.c_str());
    const std::unique_ptr<BYTE[]> user = ProcessUser();
    PSID sid = user ? reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid : nullptr;
    return ::ReportEventW(source.get(), TypeOf(type), 0, message, sid, static_cast<WORD>(strings.size()), 0,
                          strings.empty() ? nullptr : strings.data(), nullptr) != FALSE;
}

}  // namespace platform::win32
