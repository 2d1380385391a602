#include "platform/win32/Win32CodePage.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace platform::win32 {

bool Win32CodePage::Encode(const std::string& utf8, std::string* bytes) {
    bytes->clear();
    if (utf8.empty()) return true;
    const std::wstring wide = Wide(utf8);
    // Whatever the conversion substitutes (a default character, a best-fit
    // look-alike) shows when the bytes are read back.
    const int length = static_cast<int>(wide.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return false;
    bytes->resize(size);
    WideCharToMultiByte(CP_ACP, 0, wide.data(), length, bytes->data(), size, nullptr, nullptr);
    std::wstring back(wide.size() + 1, L'\0');
    const int backLength = MultiByteToWideChar(CP_ACP, 0, bytes->data(), size, back.data(), length + 1);
    return backLength == length && back.compare(0, length, wide) == 0;
}

std::string Win32CodePage::Decode(const std::string& bytes) {
    if (bytes.empty()) return {};
    const int length = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (size <= 0) return {};
    std::wstring wide(size, L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, wide.data(), size);
    return Utf8(wide);
}

}  // namespace platform::win32
