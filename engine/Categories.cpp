#include "engine/Categories.h"

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace engine {

namespace {

// A place is a key path, compared name by name from the start of the value's
// key path. Within a name, "*" stands for any characters; "**" stands for any
// number of names; "<control set>" is CurrentControlSet or ControlSet001 and
// its kind; "<driver or boot service>" is a service's key whose Type or Start
// says that Windows needs it to start.
#define CURRENT_VERSION "Software\\Microsoft\\Windows\\CurrentVersion"

struct CategoryRow {
    Category category;
    std::vector<const char*> places;
};

// The first row that holds a value's key decides its category.
const CategoryRow kCategoryTable[] = {
    {Category::ActivexOleCom, {"Classes\\CLSID", "Classes\\TypeLib", "Classes\\Interface", "Classes\\AppID"}},
    {Category::SharedPrograms, {CURRENT_VERSION "\\SharedDLLs"}},
    {Category::StartupPrograms,
     {CURRENT_VERSION "\\Run", CURRENT_VERSION "\\RunOnce", CURRENT_VERSION "\\RunOnceEx",
      CURRENT_VERSION "\\RunServices", CURRENT_VERSION "\\RunServicesOnce", CURRENT_VERSION "\\Policies\\Explorer\\Run"}},
    {Category::ApplicationPaths, {CURRENT_VERSION "\\App Paths"}},
    {Category::ObsoleteSoftware, {CURRENT_VERSION "\\Uninstall"}},
    {Category::WindowsFonts, {"Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"}},
    {Category::SoundsAndAppEvents, {"AppEvents"}},
    {Category::MruAndHistoryLists, {"**\\*MRU", "**\\RecentDocs", "**\\TypedPaths", "**\\MuiCache", "**\\UserAssist"}},
    {Category::FileExtensions, {"Classes\\.*", CURRENT_VERSION "\\Explorer\\FileExts"}},
    {Category::FileAssociations, {"Classes"}},
    {Category::SystemServices, {"System\\<control set>\\Services"}},
    {Category::SystemSoftwareSettings, {"Software"}},
    {Category::FilesAndFolders, {"**"}},  // anything else
    {Category::EmptyRegistryKeys, {}},    // no value of the file rule is one
};

}  // namespace

const ProtectedPlace kProtectedPlaces[7] = {
    {"System\\<control set>\\Control", "boot configuration, Session Manager and the drivers' load order"},
    {"System\\<control set>\\Services\\<driver or boot service>",
     "a kernel or file-system driver (Type 1, 2 or 8), or a service started at boot or by the system (Start 0 or 1)"},
    {"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "the shell and the programs that make up a logon"},
    {"Classes\\Installer", "the Windows Installer's data: without it programs can neither be repaired nor removed"},
    {CURRENT_VERSION "\\Installer", "the Windows Installer's data: without it programs can neither be repaired nor removed"},
    {"Software\\Microsoft\\Installer", "the Windows Installer's data of programs installed for one user"},
    {CURRENT_VERSION "\\Explorer\\FileExts\\*\\UserChoice", "the user's own choice of default program for a file type"},
};

#undef CURRENT_VERSION

const char* CategoryCaption(Category category) {
    switch (category) {
    case Category::ActivexOleCom: return "Activex,OLE,COM Entries";
    case Category::SharedPrograms: return "Shared Programs";
    case Category::StartupPrograms: return "Startup Programs";
    case Category::SystemSoftwareSettings: return "System Software Settings";
    case Category::ApplicationPaths: return "Application Paths";
    case Category::FileAssociations: return "File Associations";
    case Category::SoundsAndAppEvents: return "Sounds and App Events";
    case Category::MruAndHistoryLists: return "MRU and History lists";
    case Category::EmptyRegistryKeys: return "Empty Registry Keys";
    case Category::SystemServices: return "System services";
    case Category::FileExtensions: return "File Extensions";
    case Category::WindowsFonts: return "Windows Fonts";
    case Category::FilesAndFolders: return "Files and Folsers";
    case Category::ObsoleteSoftware: return "Obsolete Software";
    }
    return "";
}

CategorySet AllCategories() {
    CategorySet all;
    for (const CategoryRow& row : kCategoryTable) all.insert(row.category);
    return all;
}

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

bool IsControlSet(std::string_view name) {
    if (SameName(name, "CurrentControlSet")) return true;
    constexpr std::string_view kNumbered = "ControlSet";
    if (name.size() <= kNumbered.size() || !SameName(name.substr(0, kNumbered.size()), kNumbered)) return false;
    for (char c : name.substr(kNumbered.size()))
        if (c < '0' || c > '9') return false;
    return true;
}

// One name of a key path, and where it ends in the key path as the registry
// has it (0 for the "Classes" that HKEY_CLASSES_ROOT stands for).
struct Name {
    std::string_view text;
    std::size_t end;
};

std::vector<Name> Split(std::string_view path) {
    std::vector<Name> names;
    std::size_t from = 0;
    while (from < path.size()) {
        std::size_t at = path.find('\\', from);
        if (at == std::string_view::npos) at = path.size();
        names.push_back({path.substr(from, at - from), at});
        from = at + 1;
    }
    return names;
}

// The key path as the tables read it (see the header).
std::vector<Name> PlaceNames(platform::RegHandle root, std::string_view keyPath) {
    std::vector<Name> names, split = Split(keyPath);
    std::size_t first = 0;
    if (root == platform::kHkeyClassesRoot) names.push_back({"Classes", 0});
    if (root == platform::kHkeyUsers && !split.empty()) {
        const std::string_view user = split[0].text;
        constexpr std::string_view kClasses = "_Classes";
        if (user.size() > kClasses.size() && SameName(user.substr(user.size() - kClasses.size()), kClasses))
            names.push_back({"Classes", split[0].end});
        first = 1;
    }
    // A hardware profile under HKEY_LOCAL_MACHINE is what HKEY_CURRENT_CONFIG
    // shows, and reads as it does there.
    if (root == platform::kHkeyLocalMachine && split.size() >= 4 && SameName(split[0].text, "System") &&
        IsControlSet(split[1].text) && SameName(split[2].text, "Hardware Profiles"))
        first = 4;
    for (std::size_t i = first; i < split.size(); ++i)
        if (!SameName(split[i].text, "Wow6432Node")) names.push_back(split[i]);
    if (names.size() >= 2 && SameName(names[0].text, "Software") && SameName(names[1].text, "Classes"))
        names.erase(names.begin());
    return names;
}

bool NameMatches(std::string_view pattern, std::string_view name) {
    if (pattern == "<control set>") return IsControlSet(name);
    const std::size_t star = pattern.find('*');
    if (star == std::string_view::npos) return SameName(pattern, name);
    const std::string_view before = pattern.substr(0, star), after = pattern.substr(star + 1);
    return name.size() >= before.size() + after.size() && SameName(name.substr(0, before.size()), before) &&
           SameName(name.substr(name.size() - after.size()), after);
}

// True when the service's key says that Windows needs it to start.
bool IsDriverOrBootService(platform::Registry& registry, platform::RegHandle root, const std::string& path) {
    platform::RegHandle key = 0;
    if (registry.OpenKeyEx(root, path, 0, platform::kKeyRead, &key) != platform::kErrorSuccess) return true;
    auto number = [&](const char* name, std::uint32_t* out) {
        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        if (registry.QueryValue(key, name, &type, &data) != platform::kErrorSuccess || type != platform::kRegDword ||
            data.size() < 4)
            return false;
        *out = data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
        return true;
    };
    std::uint32_t type = 0, start = 0;
    // SERVICE_DRIVER: a kernel, file-system or recognizer driver.
    const bool driver = number("Type", &type) && (type & 0x0B) != 0;
    const bool bootOrSystem = number("Start", &start) && (start == 0 || start == 1);
    registry.CloseKey(key);
    return driver || bootOrSystem;
}

// Matches places against a key path's names. The registry, where there is
// one, is asked about a service's key, named by the key path as far as the
// service's name.
class PlaceMatcher {
public:
    PlaceMatcher(std::vector<Name> names, platform::Registry* registry, platform::RegHandle root,
                 const std::string& keyPath)
        : names_(std::move(names)), registry_(registry), root_(root), keyPath_(keyPath) {}

    bool Holds(std::string_view place) const { return Match(place, 0); }

private:
    // Whether the place, from its first name on, holds the key path from
    // its name `n` on.
    bool Match(std::string_view place, std::size_t n) const {
        if (place.empty()) return true;  // the place holds everything below it
        const std::size_t cut = place.find('\\');
        const std::string_view first = place.substr(0, cut);
        const std::string_view rest = cut == std::string_view::npos ? std::string_view() : place.substr(cut + 1);
        if (first == "**") {
            for (std::size_t skip = n; skip <= names_.size(); ++skip)
                if (Match(rest, skip)) return true;
            return false;
        }
        if (n == names_.size()) return false;
        if (first == "<driver or boot service>") {
            if (!registry_ || !IsDriverOrBootService(*registry_, root_, keyPath_.substr(0, names_[n].end)))
                return false;
        } else if (!NameMatches(first, names_[n].text)) {
            return false;
        }
        return Match(rest, n + 1);
    }

    std::vector<Name> names_;
    platform::Registry* registry_;
    platform::RegHandle root_;
    const std::string& keyPath_;
};

}  // namespace

Category CategoryOf(platform::RegHandle root, const std::string& keyPath) {
    const PlaceMatcher matcher(PlaceNames(root, keyPath), nullptr, root, keyPath);
    for (const CategoryRow& row : kCategoryTable)
        for (const char* place : row.places)
            if (matcher.Holds(place)) return row.category;
    return Category::FilesAndFolders;
}

const ProtectedPlace* ProtectedPlaceOf(platform::Registry& registry, platform::RegHandle root,
                                       const std::string& keyPath) {
    const PlaceMatcher matcher(PlaceNames(root, keyPath), &registry, root, keyPath);
    for (const ProtectedPlace& place : kProtectedPlaces)
        if (matcher.Holds(place.where)) return &place;
    return nullptr;
}

}  // namespace engine
