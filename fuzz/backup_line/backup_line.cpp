// A backup of one value, read back by the program's reader of backup files
// (which follows the registry editor's import), gives back the value's exact
// key, name, type and bytes; a value that no line can give back exactly is
// refused, and then the repair keeps it. The file is in the code page of the
// tests (one byte for each of U+0000 to U+00FF).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fakes/FakeCodePage.h"
#include "fakes/MemoryFileSystem.h"
#include "fakes/MemoryRegistry.h"
#include "fuzz/Check.h"
#include "platform/Text.h"
#include "scan/BackupReader.h"
#include "scan/BackupWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider input(bytes, size);
    const std::uint8_t pick = input.ConsumeIntegral<std::uint8_t>();
    const std::uint32_t type = pick < 13 ? pick : input.ConsumeIntegral<std::uint32_t>();
    // A key path of non-empty names (the registry has no empty key name).
    std::string keyPath;
    for (char c : input.ConsumeRandomLengthString(60))
        if (c != '\\' || (!keyPath.empty() && keyPath.back() != '\\')) keyPath += c;
    if (!keyPath.empty() && keyPath.back() == '\\') keyPath.pop_back();
    if (keyPath.empty()) keyPath = "Kept";
    const std::string name = input.ConsumeRandomLengthString(400);
    const std::vector<std::uint8_t> data = input.ConsumeBytes<std::uint8_t>(20000);

    fakes::MemoryRegistry registry;
    registry.SetValue(platform::kHkeyCurrentUser, keyPath, name, type, data);
    engine::Finding finding;
    finding.rootName = "HKEY_CURRENT_USER";
    finding.root = platform::kHkeyCurrentUser;
    finding.keyPath = keyPath;
    finding.valueName = name;
    finding.ticked = true;
    fakes::MemoryFileSystem files;
    fakes::Latin1CodePage codePage;
    const scan::BackupResult backup =
        scan::WriteBackupFile({finding}, registry, files, codePage, "12/10/2026 1:02:03 PM");
    FUZZ_CHECK(backup.written);

    const auto values = scan::ReadBackupFile(codePage, files.Contents(backup.path));
    FUZZ_CHECK(values.has_value());
    if (backup.outcomes[0] != engine::Outcome::None) {  // refused: the repair keeps the value
        FUZZ_CHECK(values->empty());
        return 0;
    }
    FUZZ_CHECK(values->size() == 1);
    const scan::BackupValue& back = values->front();
    FUZZ_CHECK(back.key == "HKEY_CURRENT_USER\\" + keyPath);
    FUZZ_CHECK(back.name == name);
    FUZZ_CHECK(back.type == type);
    FUZZ_CHECK(back.data == data);
    return 0;
}
