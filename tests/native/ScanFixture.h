#pragma once
// A scan window on the in-memory registry with fake controls and services.
#include <gtest/gtest.h>

#include "fakes/FakeCodePage.h"
#include "fakes/FakeEnvironment.h"
#include "fakes/FakeSystemRestore.h"
#include "fakes/FakeUi.h"
#include "fakes/MemoryFileSystem.h"
#include "fakes/MemoryProfile.h"
#include "fakes/MemoryRegistry.h"
#include "fakes/RecordingEventLog.h"
#include "scan/FormRepair.h"

// The in-memory file system, recording every path it is asked about.
struct AskedFileSystem : fakes::MemoryFileSystem {
    using MemoryFileSystem::operator=;
    std::vector<std::string> asked;
    platform::Existence FileExistence(const std::string& path) override {
        asked.push_back(path);
        return MemoryFileSystem::FileExistence(path);
    }
};

class ScanFixture : public ::testing::Test {
protected:
    fakes::MemoryRegistry reg;
    AskedFileSystem files;
    fakes::Latin1CodePage codePage;
    fakes::MemoryProfile profile;
    fakes::FakeUi ui;
    fakes::RecordingEventLog events;
    fakes::FakeEnvironment environment;
    fakes::FakeSystemRestore systemRestore;
    fakes::FakeListView list;
    fakes::FakeLabel status, repairCount, currentKey;
    fakes::FakeTimer timer;
    fakes::FakeButton start, stop, repair, ret;
    int closes = 0;
    std::vector<bool> repairRunning;  // as the host is told
    std::unique_ptr<scan::FormRepair> form;

    static constexpr platform::RegHandle kHkcu = platform::kHkeyCurrentUser;

    void SetUp() override { OpenWindow(engine::AllCategories()); }
    // The scan window as the home page opens it with these boxes ticked.
    void OpenWindow(const engine::CategorySet& ticked) {
        form.reset();
        list = fakes::FakeListView();
        form = std::make_unique<scan::FormRepair>(
            scan::ScanWindowControls{list, status, repairCount, currentKey, timer, start, stop, repair, ret},
            scan::ScanServices{reg, files, codePage, profile, ui, [this] { ++closes; },
                               [this](bool running) { repairRunning.push_back(running); }, &events, "ada",
                               &environment, &systemRestore},
            ticked);
        form->Form_Load();
    }
    std::string Record(const char* key) {
        auto it = profile.values.find({files.appFolder + "\\ro.ini", "Records", key});
        return it == profile.values.end() ? "<none>" : it->second;
    }
    void SetBackup(const char* text) { profile.values[{files.appFolder + "\\ro.ini", "Settings", "BackupBeforeFix"}] = text; }
    std::vector<std::string> Row(int row) { return list.Texts(row); }
    std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const auto& m : ui.messages) texts.push_back(m.text);
        return texts;
    }
};
