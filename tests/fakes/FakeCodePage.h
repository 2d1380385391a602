#pragma once
// A code page of the tests: the characters U+0000 to U+00FF, one byte each.
#include "platform/CodePage.h"
#include "platform/Text.h"

namespace fakes {

class Latin1CodePage : public platform::CodePage {
public:
    bool Encode(const std::string& utf8, std::string* bytes) override {
        bytes->clear();
        const std::u16string units = platform::Utf8ToUtf16(utf8);
        for (char16_t u : units) {
            if (u > 0xFF) return false;
            *bytes += static_cast<char>(u);
        }
        // A malformed byte of the input came through as U+FFFD and failed above.
        return true;
    }
    std::string Decode(const std::string& bytes) override {
        std::u16string units(bytes.begin(), bytes.end());
        for (char16_t& u : units) u &= 0xFF;
        return platform::Utf16ToUtf8(units);
    }
};

}  // namespace fakes
