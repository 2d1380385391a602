#pragma once
#include "platform/CodePage.h"

namespace platform::win32 {

// The system's ANSI code page over WideCharToMultiByte.
class Win32CodePage : public platform::CodePage {
public:
    bool Encode(const std::string& utf8, std::string* bytes) override;
    std::string Decode(const std::string& bytes) override;
};

}  // namespace platform::win32
