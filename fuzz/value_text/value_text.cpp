// Value data rendered as text, for every type and any data of 1 to 8192
// bytes: never more than three characters a byte and a little, raw bytes as
// hex pairs that give the bytes back, numbers in one fixed form, and every
// type without a rendering as one fixed text.
#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/Check.h"
#include "engine/ValueText.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;  // lower case is not the form
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size < 1) return 0;
    // The first byte picks the type: 0..12 mostly, or any 32-bit number read
    // from the next four bytes.
    std::uint32_t type = bytes[0];
    std::size_t at = 1;
    if (type >= 13) {
        if (size < 5) return 0;
        type = bytes[1] | bytes[2] << 8 | bytes[3] << 16 | std::uint32_t(bytes[4]) << 24;
        at = 5;
    }
    std::vector<std::uint8_t> data(bytes + at, bytes + std::min(size, at + 8192));
    if (data.empty()) data.push_back(0);  // the walk hands over at least one byte

    const std::string text = engine::ValueDataToText(type, data);
    FUZZ_CHECK(text.size() <= 3 * data.size() + 32);
    switch (type) {
    case 1:
    case 7:
        FUZZ_CHECK(text.find('\0') == std::string::npos);  // cut before the first NUL
        break;
    case 3:
        FUZZ_CHECK(text.size() == 3 * data.size() - 1);
        for (std::size_t i = 0; i < data.size(); ++i) {
            FUZZ_CHECK(i == 0 || text[3 * i - 1] == ' ');
            const int high = HexDigit(text[3 * i]), low = HexDigit(text[3 * i + 1]);
            FUZZ_CHECK(high >= 0 && low >= 0 && (high << 4 | low) == data[i]);
        }
        break;
    case 4: {
        std::uint32_t bits = 0;
        for (std::size_t i = 0; i < 4 && i < data.size(); ++i) bits |= std::uint32_t(data[i]) << (8 * i);
        char expected[32];
        std::snprintf(expected, sizeof expected, "0x%08X(%" PRId32 ")", bits, static_cast<std::int32_t>(bits));
        FUZZ_CHECK(text == expected);
        break;
    }
    default:
        FUZZ_CHECK(text == "Temporarily unsupported");
    }
    return 0;
}
