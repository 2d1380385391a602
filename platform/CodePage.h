#pragma once
// The system code page, for the files whose format is code-page text (the
// backup file). Nothing else in the program is kept in it.
#include <string>

namespace platform {

class CodePage {
public:
    virtual ~CodePage() = default;
    // The text in the code page; false when a character has no exact
    // counterpart there (no replacement character, no look-alike).
    virtual bool Encode(const std::string& utf8, std::string* bytes) = 0;
    // Code-page bytes as the program's text, as the registry editor reads a
    // file (MultiByteToWideChar).
    virtual std::string Decode(const std::string& bytes) = 0;
};

}  // namespace platform
