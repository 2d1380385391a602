#pragma once
// The high-contrast theme of the system: whether it is on, and the system
// colours the windows draw with while it is. Read once when first asked and
// again when a window hears of a change of settings or colours.
//
// Wine reports the theme off and cannot turn it on, so tests (and the
// screenshot tool) stand in for the system through OverrideHighContrast.
#include <windows.h>

#include <map>
#include <optional>

namespace platform::win32 {

bool HighContrast();
// Reads the setting from the system again.
void ReadHighContrast();

// A system colour by its GetSysColor index, or the stand-in's.
COLORREF SchemeColour(int index);

// Answers `on` instead of the system, with `colours` (by GetSysColor index)
// for those it names, until called with nullopt.
void OverrideHighContrast(std::optional<bool> on, std::map<int, COLORREF> colours = {});

}  // namespace platform::win32
