#include "shell/FormScanner.h"

namespace shell {

using engine::Category;

const std::array<std::optional<Category>, 15> kBoxCategories = {
    Category::ActivexOleCom,           // Check1
    Category::SharedPrograms,          // Check2
    Category::StartupPrograms,         // Check3
    Category::SystemSoftwareSettings,  // Check4
    Category::ApplicationPaths,        // Check5
    std::nullopt,                      // Check6
    Category::FileAssociations,        // Check7
    Category::SoundsAndAppEvents,      // Check8
    Category::MruAndHistoryLists,      // Check9
    Category::EmptyRegistryKeys,       // Check10
    Category::SystemServices,          // Check11
    Category::FileExtensions,          // Check12
    Category::WindowsFonts,            // Check13
    Category::FilesAndFolders,         // Check14
    Category::ObsoleteSoftware,        // Check15
};

FormScanner::FormScanner(const ScannerControls& controls, platform::UiServices& ui,
                         std::function<void(const engine::CategorySet&)> openScanWindow)
    : c_(controls), ui_(ui), openScanWindow_(std::move(openScanWindow)) {
    c_.CommandScanNow.Click = [this] { CommandScanNow_Click(); };
}

void FormScanner::TickAll() {
    for (platform::CheckBox* box : c_.Check) box->SetValue(1);
}

void FormScanner::CommandScanNow_Click() {
    bool any = false;
    engine::CategorySet ticked;
    for (std::size_t i = 0; i < c_.Check.size(); ++i) {
        if (c_.Check[i]->Value() == 0) continue;
        any = true;
        if (kBoxCategories[i]) ticked.insert(*kBoxCategories[i]);
    }
    if (!any) {
        ui_.ShowMessage("Your must select on item at least.", platform::MessageStyle::Exclamation);
        return;
    }
    openScanWindow_(ticked);
}

}  // namespace shell
