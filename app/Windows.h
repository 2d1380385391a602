#pragma once
// The program's five windows and the application that opens and closes
// them: the home page first; a navigation image replaces the open page with
// another at the same place; the scan window runs modally over the home
// page; the program ends when the open page closes.
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>

#include "platform/CodePage.h"
#include "platform/Environment.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/SystemRestore.h"
#include "platform/Ui.h"
#include "platform/win32/Win32Timer.h"
#include "app/FormWindow.h"
#include "profile/FormSettings.h"
#include "scan/FormRepair.h"
#include "scan/FormRestoreAndBackup.h"
#include "shell/FormScanner.h"

namespace app {

// What the windows take from the system; tests pass their own.
struct AppServices {
    platform::Registry& registry;
    platform::FileSystem& files;
    platform::CodePage& codePage;
    platform::Profile& profile;
    platform::Shell& shell;
    platform::UiServices& ui;
    // Where each repair is recorded for administrators (none when null), and
    // the user it names.
    platform::EventLog* eventLog = nullptr;
    std::string user = {};
    platform::Environment* environment = nullptr;  // what expandable strings name
    platform::SystemRestore* systemRestore = nullptr;  // null: the system has no restore points
};

class App;

class PageWindow : public FormWindow {
public:
    PageWindow(App& app, shell::Page page);
    shell::Page Page() const { return page_; }

protected:
    void OnCloseRequest() override;
    App& app_;

private:
    shell::Page page_;
};

class ScannerPage final : public PageWindow {
public:
    explicit ScannerPage(App& app) : PageWindow(app, shell::Page::Scanner) {}
    shell::FormScanner& Logic() { return *form_; }

private:
    void Form_Load() override;
    void OnFormMouseMove() override { form_->Form_MouseMove(); }
    void OnLabelMouseMove(const std::string& name) override;
    void OnLabelClick(const std::string& name) override;
    std::optional<shell::FormScanner> form_;
};

class BackupPage final : public PageWindow {
public:
    explicit BackupPage(App& app) : PageWindow(app, shell::Page::RestoreAndBackup) {}
    scan::FormRestoreAndBackup& Logic() { return *form_; }

private:
    void Form_Load() override;
    std::optional<scan::FormRestoreAndBackup> form_;
};

class SettingsPage final : public PageWindow {
public:
    explicit SettingsPage(App& app) : PageWindow(app, shell::Page::Settings) {}

private:
    void Form_Load() override;
    void OnFormMouseMove() override { ignored_->Form_MouseMove(); }
    void OnLabelMouseMove(const std::string& name) override;
    void OnLabelClick(const std::string& name) override;
    std::optional<profile::FormSettings> form_;
    std::optional<profile::IgnoredEntries> ignored_;
};

class RecordsPage final : public PageWindow {
public:
    explicit RecordsPage(App& app) : PageWindow(app, shell::Page::Records) {}

private:
    void Form_Load() override;
    std::optional<profile::FormRecords> form_;
};

// The scan window. Its close (Return, the exit image, or the system's close
// command) only marks it closed; whoever shows it destroys it after the
// walk and every handler have returned.
class ScanWindow final : public FormWindow {
public:
    // Lists the findings of the `ticked` categories.
    explicit ScanWindow(App& app, engine::CategorySet ticked = engine::AllCategories());
    ~ScanWindow() override;
    bool Closed() const { return closed_; }
    scan::FormRepair& Logic() { return *form_; }

private:
    void Form_Load() override;
    void OnCloseRequest() override { form_->QueryClose(); }
    void OnFormMouseMove() override {}
    // Esc does what Return does, while Return is enabled.
    void OnEscape() override { ButtonNamed("CommandReturn").Press(); }
    // Not in the middle of a repair.
    bool OnQueryEndSession() override { return !form_ || !form_->Repairing(); }
    void OnEndSession() override {
        if (form_) form_->EndSession();
    }
    App& app_;
    platform::win32::Win32Timer timer_;
    engine::CategorySet ticked_;
    std::optional<scan::FormRepair> form_;
    bool closed_ = false;
};

class App {
public:
    // `onEnd` runs when the program is to end; by default it posts the quit
    // message to the thread's message loop.
    explicit App(const AppServices& services, std::function<void()> onEnd = {});
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Creates and shows the home page. A background picture that cannot be
    // loaded is reported and ends the program.
    void Start();
    bool Ended() const { return ended_; }

    PageWindow* OpenPage() const { return page_.get(); }
    ScanWindow* OpenScanWindow() const { return scan_; }
    // Runs when the scan window has been shown, before its modal loop.
    std::function<void(ScanWindow&)> scanWindowShown;

    const AppServices& Services() const { return s_; }

    // Called by the windows, from their own posted messages. Both do
    // nothing while the scan window is open.
    void SwitchPage(PageWindow& from, shell::Page to);
    void ClosePage(PageWindow& page);
    // Shows the scan window modally over `owner`, listing the `ticked`
    // categories; returns when it has closed.
    void ShowScanWindow(PageWindow& owner, const engine::CategorySet& ticked = engine::AllCategories());

private:
    std::unique_ptr<PageWindow> MakePage(shell::Page page);
    void Fail(const std::exception& error);
    void End(int code);

    AppServices s_;
    std::function<void()> onEnd_;
    std::unique_ptr<PageWindow> page_;
    ScanWindow* scan_ = nullptr;
    bool ended_ = false;
};

}  // namespace app
