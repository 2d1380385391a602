#include "app/Windows.h"

#include <string>

#include "engine/IgnoreList.h"
#include "profile/DataFolder.h"

namespace app {

namespace layout = shell::layout;

namespace {

const layout::WindowLayout& LayoutOfPage(shell::Page page) {
    return layout::LayoutOf(static_cast<layout::Form>(static_cast<int>(page)));
}

// The system's own move of the window, as if its caption had been pressed.
void StartMove(HWND window) {
    ::ReleaseCapture();
    ::SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

shell::FrameActions PageActions(PageWindow* self, App& app) {
    shell::FrameActions a;
    a.startMove = [self] { StartMove(self->Handle()); };
    a.minimise = [self] { ::SendMessageW(self->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0); };
    // Both destroy the page: run from its own message, after the handler
    // that asked has returned.
    a.close = [self, &app] { self->Post([self, &app] { app.ClosePage(*self); }); };
    a.switchTo = [self, &app](shell::Page to) { self->Post([self, &app, to] { app.SwitchPage(*self, to); }); };
    return a;
}

}  // namespace

// ------------------------------------------------------------------ pages

PageWindow::PageWindow(App& app, shell::Page page)
    : FormWindow(LayoutOfPage(page), app.Services().files, PageActions(this, app)), app_(app), page_(page) {}

void PageWindow::OnCloseRequest() {
    Post([this] { app_.ClosePage(*this); });
}

void ScannerPage::Form_Load() {
    std::array<platform::CheckBox*, 15> boxes{};
    for (int i = 1; i <= 15; ++i) boxes[i - 1] = &CheckNamed("Check" + std::to_string(i));
    form_.emplace(shell::ScannerControls{boxes, LabelNamed("LabelSelectAll"), ButtonNamed("CommandScanNow")},
                  app_.Services().ui,
                  [this](const engine::CategorySet& ticked) { app_.ShowScanWindow(*this, ticked); });
    form_->Form_Load();
}

void ScannerPage::OnLabelMouseMove(const std::string& name) {
    if (name == "LabelSelectAll") form_->LabelSelectAll_MouseMove();
}

void ScannerPage::OnLabelClick(const std::string& name) {
    if (name == "LabelSelectAll") form_->LabelSelectAll_Click();
}

void BackupPage::Form_Load() {
    const AppServices& s = app_.Services();
    form_.emplace(scan::BackupPageControls{ListNamed("ListViewBackups"), ButtonNamed("CommandRefresh"),
                                           ButtonNamed("CommandRestore"), ButtonNamed("CommandDelete")},
                  s.files, s.shell, s.ui, reinterpret_cast<std::intptr_t>(Handle()));
    // Named after its page, as a reader says it.
    platform::win32::NameChildWindow(ListNamed("ListViewBackups").Handle(), "Backups");
    form_->Form_Load();
}

void SettingsPage::Form_Load() {
    const AppServices& s = app_.Services();
    const std::string dataFolder = profile::DataFolder(s.files);
    form_.emplace(CheckNamed("CheckBackupBeforeFix"), ButtonNamed("CommandApplySettings"), s.profile, dataFolder,
                  CheckNamed("CheckExpandable"), s.ui, &CheckNamed("CheckRestorePoint"));
    form_->Form_Load();
    const std::string ignoreList = dataFolder + engine::kIgnoreListName;
    ignored_.emplace(
        LabelNamed("LabelIgnored"), LabelNamed("LabelForgetAll"), s.ui,
        [&files = s.files, ignoreList] {
            const std::optional<engine::IgnoreList> list = engine::LoadIgnoreList(files, ignoreList);
            if (!list) return profile::IgnoredEntries::Counts{0, 0, false};
            return profile::IgnoredEntries::Counts{list->Count(), list->Unreadable()};
        },
        [&files = s.files, ignoreList] {
            // Never written over when it cannot be read: its lines that are
            // no entry (comments, say) would be lost.
            std::optional<engine::IgnoreList> list = engine::LoadIgnoreList(files, ignoreList);
            if (!list) return false;
            list->Clear();
            return engine::SaveIgnoreList(files, ignoreList, *list);
        });
    ignored_->Form_Load();
}

void SettingsPage::OnLabelMouseMove(const std::string& name) {
    if (name == "LabelForgetAll") ignored_->LabelForgetAll_MouseMove();
}

void SettingsPage::OnLabelClick(const std::string& name) {
    if (name == "LabelForgetAll") ignored_->LabelForgetAll_Click();
}

void RecordsPage::Form_Load() {
    const AppServices& s = app_.Services();
    form_.emplace(LabelNamed("LabelLastScanTime"), LabelNamed("LabelErrorCount"), LabelNamed("LabelFixedCount"),
                  ButtonNamed("CommandRefreshRecords"), s.profile, s.ui, profile::DataFolder(s.files));
    form_->Form_Load();
}

// ------------------------------------------------------------ scan window

ScanWindow::ScanWindow(App& app, engine::CategorySet ticked)
    : FormWindow(layout::LayoutOf(layout::Form::Repair), app.Services().files,
                 shell::FrameActions{[this] { StartMove(Handle()); }, {}, [this] { form_->ImageExit_Click(); }, {}}),
      app_(app),
      ticked_(std::move(ticked)) {}

ScanWindow::~ScanWindow() { timer_.SetEnabled(false); }

void ScanWindow::Form_Load() {
    const AppServices& s = app_.Services();
    form_.emplace(scan::ScanWindowControls{ListNamed("lvwRegErrors"), LabelNamed("lblStatus"), LabelNamed("RepairCount"),
                                           LabelNamed("lblCurrentKey"), timer_, ButtonNamed("CommandStart"),
                                           ButtonNamed("CommandStop"), ButtonNamed("CommandRepair"),
                                           ButtonNamed("CommandReturn")},
                  scan::ScanServices{s.registry, s.files, s.codePage, s.profile, s.ui,
                                     [this] {
                                         // Marked only: the modal loop destroys the window once
                                         // control is back with it.
                                         Post([this] { closed_ = true; });
                                     },
                                     [this](bool running) {
                                         // The reason the system shows the user who logs off
                                         // meanwhile; the window refuses the end of the session.
                                         if (running)
                                             ::ShutdownBlockReasonCreate(Handle(), L"Repairing registry values");
                                         else
                                             ::ShutdownBlockReasonDestroy(Handle());
                                     },
                                     s.eventLog, s.user, s.environment, s.systemRestore},
                  ticked_);
    form_->Form_Load();
    // Named after the count's label, as a reader says it.
    platform::win32::NameChildWindow(ListNamed("lvwRegErrors").Handle(), "Errors");
    // What a screen reader says unasked: the count, the outcome of a scan
    // and the repaired count, when the window announces them.
    for (const char* live : {"lblStatus", "lblCurrentKey", "RepairCount"}) MarkLive(LabelNamed(live));
}

// -------------------------------------------------------------------- app

App::App(const AppServices& services, std::function<void()> onEnd) : s_(services), onEnd_(std::move(onEnd)) {}

App::~App() { page_.reset(); }

std::unique_ptr<PageWindow> App::MakePage(shell::Page page) {
    switch (page) {
    case shell::Page::Scanner: return std::make_unique<ScannerPage>(*this);
    case shell::Page::RestoreAndBackup: return std::make_unique<BackupPage>(*this);
    case shell::Page::Settings: return std::make_unique<SettingsPage>(*this);
    case shell::Page::Records: return std::make_unique<RecordsPage>(*this);
    }
    return nullptr;
}

void App::Start() {
    try {
        page_ = MakePage(shell::Page::Scanner);
        page_->Create(nullptr);
    } catch (const std::exception& e) {
        page_.reset();
        Fail(e);
        return;
    }
    RECT work{0, 0, 1024, 768};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT own{};
    ::GetWindowRect(page_->Handle(), &own);
    const int x = work.left + ((work.right - work.left) - (own.right - own.left)) / 2;
    const int y = work.top + ((work.bottom - work.top) - (own.bottom - own.top)) / 2;
    ::SetWindowPos(page_->Handle(), nullptr, x > 0 ? x : 0, y > 0 ? y : 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(page_->Handle(), SW_SHOW);
    ::UpdateWindow(page_->Handle());
    ::SetForegroundWindow(page_->Handle());
}

void App::SwitchPage(PageWindow& from, shell::Page to) {
    // Never under the scan window: it is owned by the page, and would go with it.
    if (&from != page_.get() || ended_ || scan_) return;
    RECT old{};
    ::GetWindowRect(from.Handle(), &old);
    std::unique_ptr<PageWindow> next;
    try {
        next = MakePage(to);
        // Made where the old page stands, so that it is made for that screen.
        next->Create(nullptr, {old.left, old.top});
    } catch (const std::exception& e) {
        // The old page stays open under the message; the program ends all the same.
        next.reset();
        Fail(e);
        return;
    }
    ::ShowWindow(next->Handle(), SW_SHOW);
    ::UpdateWindow(next->Handle());
    // The new page is in place before the old one goes.
    std::unique_ptr<PageWindow> leaving = std::move(page_);
    page_ = std::move(next);
    leaving.reset();
    ::SetForegroundWindow(page_->Handle());
}

void App::ClosePage(PageWindow& page) {
    if (&page != page_.get() || scan_) return;
    page_.reset();
    End(0);
}

void App::ShowScanWindow(PageWindow& owner, const engine::CategorySet& ticked) {
    if (scan_ || ended_) return;
    const HWND ownerWindow = owner.Handle();
    RECT o{}, own{};
    ::GetWindowRect(ownerWindow, &o);
    std::unique_ptr<ScanWindow> scan;
    try {
        scan = std::make_unique<ScanWindow>(*this, ticked);
        // Made over the home page, so that it is made for that page's screen.
        scan->Create(ownerWindow, {o.left, o.top});
    } catch (const std::exception& e) {
        scan.reset();
        Fail(e);
        return;
    }
    // Centred on the home page, which it covers exactly.
    ::GetWindowRect(scan->Handle(), &own);
    const int x = o.left + ((o.right - o.left) - (own.right - own.left)) / 2;
    const int y = o.top + ((o.bottom - o.top) - (own.bottom - own.top)) / 2;
    ::SetWindowPos(scan->Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    ::EnableWindow(ownerWindow, FALSE);
    scan_ = scan.get();
    ::ShowWindow(scan->Handle(), SW_SHOW);
    ::UpdateWindow(scan->Handle());
    if (scanWindowShown) scanWindowShown(*scan);

    MSG msg;
    while (!scan->Closed()) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The quit belongs to the program's own loop.
            ::PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 1);
            break;
        }
        if (platform::win32::PreTranslateKeys(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    // The owner first, so that the system hands the activation back to it.
    ::EnableWindow(ownerWindow, TRUE);
    scan_ = nullptr;
    scan.reset();
    if (::IsWindow(ownerWindow)) ::SetForegroundWindow(ownerWindow);
}

void App::Fail(const std::exception& error) {
    s_.ui.ShowMessage(error.what(), platform::MessageStyle::Exclamation);
    End(1);
}

void App::End(int code) {
    if (ended_) return;
    ended_ = true;
    if (onEnd_)
        onEnd_();
    else
        ::PostQuitMessage(code);
}

}  // namespace app
