#include "shell/Layouts.h"

#include <stdexcept>

// The build passes the version label, made from the project's one version.
#ifndef VH_VERSION_LABEL
#error "VH_VERSION_LABEL is set by the build (vh_version_label in CMakeLists.txt)"
#endif

namespace shell::layout {

namespace {

using platform::Rgb;

constexpr platform::Colour kDarkGrey = Rgb(64, 64, 64);
constexpr platform::Colour kWhite = Rgb(255, 255, 255);
constexpr platform::Colour kBlack = Rgb(0, 0, 0);

// The navigation bar: the steps between the tops are 530, 520 and 530 twips,
// so neighbours overlap by under a pixel.
std::vector<PictureSpec> PageFramePictures() {
    return {
        {"ImageCaption", Art::CaptionPage, {480, 0, 10215, 375}},
        {"ImageMin", Art::Minimise, {10800, 90, 420, 225}, 3},
        {"ImageExit", Art::Exit, {11280, 90, 420, 225}, 3},
        {"ImageScanner", Art::NavScanner, {110, 2010, 2985, 540}, 3},
        {"ImageRestore", Art::NavRestore, {110, 2540, 2985, 540}, 3},
        {"ImageSettings", Art::NavSettings, {110, 3060, 2985, 540}, 3},
        {"ImageRecords", Art::NavRecords, {110, 3590, 2985, 540}, 3},
    };
}

LabelSpec CaptionLabel() { return {"LabelCaption", kWindowTitle, {480, 120}, kBoldFont, kButtonText}; }

std::vector<LabelSpec> PageFrameLabels(const std::string& tip) {
    return {
        CaptionLabel(),
        {"LabelTip", tip, {720, 1680}, kWindowFont, kWhite},
        {"LabelVersion", VH_VERSION_LABEL, {10440, 8040}, kSmallFont, Rgb(128, 128, 128)},
    };
}

WindowLayout Page(Form form, const char* name, const char* background, shell::Page page, const std::string& tip) {
    WindowLayout w;
    w.form = form;
    w.name = name;
    w.background = background;
    w.page = page;
    w.pictures = PageFramePictures();
    w.labels = PageFrameLabels(tip);
    return w;
}

WindowLayout Scanner() {
    WindowLayout w = Page(Form::Scanner, "FormScanner", "\\bgmain.dll", shell::Page::Scanner, "Scan and repair");
    w.pictures.push_back({"Image1", Art::Question, {3720, 6480, 825, 825}});
    w.labels.push_back({"Label2", "Your PC will be scanned for below items:", {3840, 2400}, kSmallFont, kWhite});
    w.labels.push_back({"LabelSelectAll", "Select All", {3840, 5760}, kBoldFont, kDarkGrey, false, true});
    w.labels.push_back({"Label1",
                        "Registry is the database of the system. If there is something wrong with the registry, errors "
                        "in system running will occur and the problem of system slowing down  will occur, too. This "
                        "program will repair the registry errors, clear up the registry long data and make the "
                        "registry strong. The system running speed will be more stabile.",
                        {4680, 6480, 6015, 1215}, kSmallFont, kButtonText, true});
    struct Box {
        int number;
        const char* caption;
        int left, top, width;
    };
    // In focus order: the box outside the window comes first, so it holds
    // the focus when the page opens.
    const Box boxes[] = {
        {6, "Check6", 20000, 6840, 735},
        {1, "Activex,OLE,COM Entries", 3840, 3120, 3015},
        {2, "Shared Programs", 3840, 3480, 2655},
        {3, "Startup Programs", 3840, 3840, 2535},
        {4, "System Software Settings", 3840, 4200, 2895},
        {5, "Application Paths", 3840, 4560, 2775},
        {7, "File Associations", 3840, 4920, 2655},
        {8, "Sounds and App Events", 3840, 5280, 2655},
        {9, "MRU and History lists", 7200, 3120, 2535},
        {10, "Empty Registry Keys", 7200, 3480, 2535},
        {11, "System services", 7200, 3840, 3375},
        {12, "File Extensions", 7200, 4200, 3495},
        {13, "Windows Fonts", 7200, 4560, 3375},
        {14, "Files and Folsers", 7200, 4920, 3495},
        {15, "Obsolete Software", 7200, 5280, 3375},
    };
    for (const Box& b : boxes) {
        CheckSpec c{"Check" + std::to_string(b.number), b.caption, {b.left, b.top, b.width, 255}};
        if (b.number <= 5) c.colour = kDarkGrey;
        if (b.number == 6) {
            c.font = {"SimSun", 9.0, false};
            c.background = kButtonFace;
        }
        w.checks.push_back(c);
        w.focusOrder.push_back(c.name);
    }
    w.buttons.push_back({"CommandScanNow", "Scan now", {8640, 5640, 1815, 495}});
    w.focusOrder.push_back("CommandScanNow");
    return w;
}

WindowLayout RestoreAndBackup() {
    WindowLayout w = Page(Form::RestoreAndBackup, "FormRestoreAndBackup", "\\bgother.dll", shell::Page::RestoreAndBackup,
                          "Restore");
    w.shapes.push_back({"Shape1", {3225, 2145, 6170, 5655}, Rgb(192, 192, 192)});
    w.lists.push_back({"ListViewBackups", {3240, 2160, 6135, 5535}, kWindowFont, {{"ID", 800}, {"File", 3900}}});
    w.buttons.push_back({"CommandRefresh", "Refresh", {9600, 2160, 1935, 495}, true, true});
    w.buttons.push_back({"CommandDelete", "Delete", {9600, 2760, 1935, 495}, true, true});
    w.buttons.push_back({"CommandRestore", "Restore", {9600, 3600, 1935, 495}, true, true});
    w.focusOrder = {"ListViewBackups", "CommandRefresh", "CommandRestore", "CommandDelete"};
    return w;
}

WindowLayout Settings() {
    WindowLayout w = Page(Form::Settings, "FormSettings", "\\bgother.dll", shell::Page::Settings, "Settings");
    w.checks.push_back({"CheckBackupBeforeFix", "Make a backup before repair errors.", {3480, 2400, 4455, 255},
                        kWindowFont, kButtonText, kWhite, true});
    // Beyond the backup: whether a scan judges expandable strings too, and
    // whether a repair asks Windows for a restore point; Apply below them.
    w.checks.push_back({"CheckExpandable", "Also check expandable strings (%SystemRoot%, %ProgramFiles%, \xE2\x80\xA6)",
                        {3480, 2760, 7200, 255}, kWindowFont, kButtonText, kWhite});
    w.checks.push_back({"CheckRestorePoint", "Create a restore point before repair", {3480, 3120, 4455, 255},
                        kWindowFont, kButtonText, kWhite, true});
    w.buttons.push_back({"CommandApplySettings", "Apply", {3720, 3480, 1695, 495}});
    // The values the user keeps, in the page's free area; the link as the
    // home page's "Select All".
    w.labels.push_back({"LabelIgnored", "Ignored entries: 0", {3480, 4080}, kWindowFont, kDarkGrey});
    w.labels.push_back({"LabelForgetAll", "Forget all", {3480, 4440}, kBoldFont, kDarkGrey, false, true});
    w.focusOrder = {"CommandApplySettings", "CheckBackupBeforeFix", "CheckExpandable", "CheckRestorePoint"};
    return w;
}

WindowLayout Records() {
    WindowLayout w = Page(Form::Records, "FormRecords", "\\bgother.dll", shell::Page::Records, "Records");
    w.labels.push_back({"Label1", "Last scan time:", {3450, 2400}, kWindowFont, kDarkGrey});
    w.labels.push_back({"Label2", "Error count:", {3720, 2760}, kWindowFont, kDarkGrey});
    w.labels.push_back({"Label3", "Fixed count:", {3720, 3120}, kWindowFont, kDarkGrey});
    w.labels.push_back({"LabelLastScanTime", "unknown", {5160, 2400}});
    w.labels.push_back({"LabelErrorCount", "0", {5160, 2760}});
    w.labels.push_back({"LabelFixedCount", "0", {5160, 3120}});
    w.buttons.push_back({"CommandRefreshRecords", "Refresh", {3840, 3600, 1575, 495}, true, false});
    w.focusOrder = {"CommandRefreshRecords"};
    return w;
}

WindowLayout Repair() {
    WindowLayout w;
    w.form = Form::Repair;
    w.name = "FormRepair";
    w.background = "\\bgscan.dll";
    w.pictures = {
        {"ImageCaption", Art::CaptionScan, {480, 0, 10500, 375}},
        {"ImageExit", Art::Exit, {11280, 90, 420, 225}, 3},
    };
    w.shapes.push_back({"Shape1", {225, 2145, 11340, 4830}, Rgb(224, 224, 224)});
    w.labels = {
        CaptionLabel(),
        {"Label4", "Now scanning:", {360, 1680}, kBoldFont, kBlack},
        // A fixed width, whatever key it shows.
        {"lblCurrentKey", "Ready", {1920, 1680, 9435, 225}, kWindowFont, kWhite},
        {"Label3", "Errors:", {9480, 840}, kBoldFont, kBlack},
        {"lblStatus", "0", {10320, 840}, kBoldFont, Rgb(255, 0, 0)},
        {"Label5", "Fixed:", {9555, 1200}, kBoldFont, kBlack},
        {"RepairCount", "0", {10320, 1200}, kBoldFont, Rgb(0, 192, 0)},
    };
    w.lists.push_back({"lvwRegErrors", {240, 2160, 11295, 4780}, kSmallFont, {}, true});
    w.buttons = {
        {"CommandStart", "Scan", {360, 7200, 1815, 495}},
        {"CommandStop", "Stop", {2400, 7200, 1815, 495}},
        {"CommandRepair", "Repair", {6240, 7200, 2295, 495}},
        {"CommandReturn", "Return", {9960, 7200, 1455, 495}},
    };
    w.focusOrder = {"lvwRegErrors", "CommandStart", "CommandStop", "CommandRepair", "CommandReturn"};
    return w;
}

}  // namespace

const WindowLayout& LayoutOf(Form form) {
    static const WindowLayout layouts[] = {Scanner(), RestoreAndBackup(), Settings(), Records(), Repair()};
    const int index = static_cast<int>(form);
    if (index < 0 || index > 4) throw std::out_of_range("no such window");
    return layouts[index];
}

platform::Font ToFont(const FontSpec& font) { return {font.face, font.points, font.bold, false}; }

controls::MemoryPropertyStore StoredSettings(const ButtonSpec& button) {
    controls::MemoryPropertyStore stored;
    stored.Put("Caption", button.caption);
    stored.Put("XpType", std::int64_t{2});
    stored.Put("Font", ToFont(kWindowFont));
    if (button.gradientG) {
        stored.Put("Percent", std::int64_t{53});
        stored.Put("MidColor", std::int64_t{0x00FFAB7C});
        stored.Put("EndColor", std::int64_t{0x00FFD3BF});
        stored.Put("MouseMoveMidColor", std::int64_t{0x00FFCB9D});
        stored.Put("MouseMoveEndColor", std::int64_t{0x00FFE7D1});
        stored.Put("MouseDownMidColor", std::int64_t{0x00FF9964});
        stored.Put("MouseDownEndColor", std::int64_t{0x00FFD3BF});
    }
    if (button.setX) {
        stored.Put("rectcolor", std::int64_t{0x000080FF});
        stored.Put("OfficeXpFillColor", std::int64_t{0x0080C0FF});
        stored.Put("OfficeXpFrameColor", std::int64_t{0x000080FF});
    }
    return stored;
}

}  // namespace shell::layout
