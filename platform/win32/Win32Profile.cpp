#include "platform/win32/Win32Profile.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/WideText.h"

namespace platform::win32 {

// The wide functions read and write the file in the system code page, as it
// always was; only the path and the texts cross as UTF-16.
std::uint32_t Win32Profile::GetString(const std::string& section, const std::string& key,
                                      const std::string& fallback, char* buffer, std::uint32_t size,
                                      const std::string& file) {
    if (size == 0) return 0;
    std::vector<wchar_t> wide(size, L'\0');
    // A device under the profile's name would be read, and waited on, as
    // the file: the profile is then as good as missing.
    DWORD length = 0;
    if (IsDiskFileOrMissing(file)) {
        length = GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(fallback).c_str(), wide.data(),
                                          size, Wide(file).c_str());
    } else {
        lstrcpynW(wide.data(), Wide(fallback).c_str(), static_cast<int>(size));
        length = static_cast<DWORD>(lstrlenW(wide.data()));
    }
    // As the function itself does: at most size-1 bytes and a NUL, never half
    // a character.
    std::string text = Utf8(wide.data(), length);
    if (text.size() > size - 1) {
        std::size_t cut = size - 1;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text.resize(cut);
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = '\0';
    return static_cast<std::uint32_t>(text.size());
}

bool Win32Profile::WriteString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& file) {
    return WritePrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str(),
                                      Wide(file).c_str()) != 0;
}

}  // namespace platform::win32
