#pragma once
// The home page: the fifteen scan categories, "Select All" and the gate
// that opens the scan window.
#include <array>
#include <functional>
#include <optional>

#include "engine/Categories.h"
#include "platform/Ui.h"

namespace shell {

struct ScannerControls {
    std::array<platform::CheckBox*, 15> Check{};  // Check1 .. Check15
    platform::Label& LabelSelectAll;
    platform::PushButton& CommandScanNow;
};

// The category each box chooses, Check1 first; Check6, out of sight, chooses none.
extern const std::array<std::optional<engine::Category>, 15> kBoxCategories;

class FormScanner {
public:
    // `openScanWindow` shows the scan window modally, listing the ticked
    // categories, and returns when it closes.
    FormScanner(const ScannerControls& controls, platform::UiServices& ui,
                std::function<void(const engine::CategorySet& ticked)> openScanWindow);

    void Form_Load() { TickAll(); }
    void LabelSelectAll_Click() { TickAll(); }
    void LabelSelectAll_MouseMove() { c_.LabelSelectAll.SetUnderline(true); }
    void Form_MouseMove() { c_.LabelSelectAll.SetUnderline(false); }
    void CommandScanNow_Click();

private:
    void TickAll();

    ScannerControls c_;
    platform::UiServices& ui_;
    std::function<void(const engine::CategorySet&)> openScanWindow_;
};

}  // namespace shell
