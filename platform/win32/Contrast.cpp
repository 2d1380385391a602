#include "platform/win32/Contrast.h"

namespace platform::win32 {

namespace {

struct State {
    bool read = false;
    bool on = false;
    std::optional<bool> override;
    std::map<int, COLORREF> colours;
};

State& Current() {
    static State state;
    return state;
}

}  // namespace

void ReadHighContrast() {
    HIGHCONTRASTW setting{sizeof setting};
    Current().on = ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
                   (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
    Current().read = true;
}

bool HighContrast() {
    State& s = Current();
    if (s.override) return *s.override;
    if (!s.read) ReadHighContrast();
    return s.on;
}

COLORREF SchemeColour(int index) {
    const State& s = Current();
    if (s.override) {
        const auto found = s.colours.find(index);
        if (found != s.colours.end()) return found->second;
    }
    return ::GetSysColor(index);
}

void OverrideHighContrast(std::optional<bool> on, std::map<int, COLORREF> colours) {
    Current().override = on;
    Current().colours = on ? std::move(colours) : std::map<int, COLORREF>{};
}

}  // namespace platform::win32
