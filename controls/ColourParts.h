#pragma once
// The red, green and blue parts of a 0x00BBGGRR colour.
#include "platform/Ui.h"

namespace controls {

inline int Red(platform::Colour c) { return static_cast<int>(c & 0xFF); }
inline int Green(platform::Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int Blue(platform::Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

}  // namespace controls
