#include "platform/win32/Win32SystemRestore.h"

#include <objbase.h>
#include <srrestoreptapi.h>

#include <cwchar>

#include "platform/win32/WideText.h"

namespace platform::win32 {

Win32SystemRestore::~Win32SystemRestore() {
    if (library_) ::FreeLibrary(library_);
}

RestorePointAnswer Win32SystemRestore::Call(DWORD eventType, DWORD pointType, std::int64_t sequence,
                                            const std::string& description) {
    if (!library_) {
        // From the system folder only: never a srclient.dll beside the program.
        library_ = ::LoadLibraryExW(L"srclient.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (library_)
            set_ = reinterpret_cast<SetRestorePoint>(
                reinterpret_cast<void*>(::GetProcAddress(library_, "SRSetRestorePointW")));
    }
    RestorePointAnswer answer;
    if (!set_) {
        answer.status = kRestorePointsMissing;
        return answer;
    }
    // The service calls back into the caller through COM, on this thread
    // (the worker's own), with the security its documentation asks for; a
    // process whose security is set already keeps it.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY, RPC_C_IMP_LEVEL_IDENTIFY,
                           nullptr, EOAC_NONE, nullptr);
    RESTOREPOINTINFOW info{};
    info.dwEventType = eventType;
    info.dwRestorePtType = pointType;
    info.llSequenceNumber = sequence;
    std::wcsncpy(info.szDescription, Wide(description).c_str(), MAX_DESC_W - 1);
    STATEMGRSTATUS status{};
    answer.succeeded = set_(&info, &status) != FALSE;
    answer.status = status.nStatus;
    answer.sequence = status.llSequenceNumber;
    if (SUCCEEDED(com)) ::CoUninitialize();
    return answer;
}

RestorePointAnswer Win32SystemRestore::Begin(const std::string& description) {
    return Call(BEGIN_SYSTEM_CHANGE, MODIFY_SETTINGS, 0, description);
}

void Win32SystemRestore::End(std::int64_t sequence, bool changed) {
    // A point with no change after it is cancelled: END_SYSTEM_CHANGE with
    // CANCELLED_OPERATION, as the documentation has it.
    Call(END_SYSTEM_CHANGE, changed ? MODIFY_SETTINGS : CANCELLED_OPERATION, sequence, {});
}

}  // namespace platform::win32
