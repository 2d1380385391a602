#pragma once
// Where a value is, as the user sees it: the category of the home page's
// boxes that it belongs to, and the places Windows needs, which are never
// listed whatever the boxes say.
#include <set>
#include <string>

#include "platform/Registry.h"

namespace engine {

// The fourteen visible boxes of the home page, in their order there.
enum class Category {
    ActivexOleCom,
    SharedPrograms,
    StartupPrograms,
    SystemSoftwareSettings,
    ApplicationPaths,
    FileAssociations,
    SoundsAndAppEvents,
    MruAndHistoryLists,
    EmptyRegistryKeys,
    SystemServices,
    FileExtensions,
    WindowsFonts,
    FilesAndFolders,
    ObsoleteSoftware,
};

// The caption of the category's box, as the list's "Category" column shows it.
const char* CategoryCaption(Category category);

// The categories whose boxes are ticked.
using CategorySet = std::set<Category>;
CategorySet AllCategories();

// Key paths are compared a name at a time, without regard to case.
// "Software\Classes" under HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and a user
// of HKEY_USERS (and that user's "_Classes" hive) is HKEY_CLASSES_ROOT and
// reads "Classes"; the user's name under HKEY_USERS is passed over, and so is
// every "Wow6432Node". A place holds its key and everything below it.
//
// The category of a value in the key `keyPath` under `root`: the first row of
// the category table that holds the key.
Category CategoryOf(platform::RegHandle root, const std::string& keyPath);

struct ProtectedPlace {
    const char* where;
    const char* reason;  // one line, for the user
};
// The places Windows needs to start and run, each with why.
extern const ProtectedPlace kProtectedPlaces[7];

// The protected place that holds the key, or null. A service's key is read
// for its Type and Start; a service key that cannot be read counts as a
// driver's, so that nothing is listed that might be one.
const ProtectedPlace* ProtectedPlaceOf(platform::Registry& registry, platform::RegHandle root,
                                       const std::string& keyPath);

}  // namespace engine
