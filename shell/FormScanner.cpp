#include "shell/FormScanner.h"

namespace shell {

FormScanner::FormScanner(const ScannerControls& controls, platform::UiServices& ui,
                         std::function<void()> openScanWindow)
    : c_(controls), ui_(ui), openScanWindow_(std::move(openScanWindow)) {
    c_.CommandScanNow.Click = [this] { CommandScanNow_Click(); };
}

void FormScanner::TickAll() {
    for (platform::CheckBox* box : c_.Check) box->SetValue(1);
}

void FormScanner::CommandScanNow_Click() {
    bool any = false;
    for (platform::CheckBox* box : c_.Check) any = any || box->Value() != 0;
    if (!any) {
        ui_.ShowMessage("Your must select on item at least.", platform::MessageStyle::Exclamation);
        return;
    }
    openScanWindow_();
}

}  // namespace shell
