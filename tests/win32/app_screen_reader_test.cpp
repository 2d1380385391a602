// The program's windows as a screen reader meets them: through the
// IAccessible each window hands out, in this process as a reader's hook
// would.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/app_test_support.h"

namespace {

using namespace app_test;
using shell::Page;
using ui_test::PumpUntil;

// COM for the calls, in this thread.
struct Com {
    Com() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Com() { ::CoUninitialize(); }
};

// An interface pointer released at the end of its scope.
template <typename T>
struct Held {
    T* p = nullptr;
    Held() = default;
    Held(const Held&) = delete;
    ~Held() {
        if (p) p->Release();
    }
    T* operator->() const { return p; }
    void** Out() { return reinterpret_cast<void**>(&p); }
};

VARIANT Child(long id) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

std::string Bstr(BSTR text) {
    std::string out = text ? Utf8(text) : std::string();
    ::SysFreeString(text);
    return out;
}

// One part as a reader would say it: role, name (its start), the states
// that tell the user something.
std::string Said(IAccessible* object, long id) {
    VARIANT child = Child(id), role, state;
    BSTR name = nullptr;
    object->get_accName(child, &name);
    object->get_accRole(child, &role);
    object->get_accState(child, &state);
    std::string text;
    switch (role.vt == VT_I4 ? role.lVal : 0) {
    case ROLE_SYSTEM_PAGETAB: text = "page tab"; break;
    case ROLE_SYSTEM_PUSHBUTTON: text = "button"; break;
    case ROLE_SYSTEM_LINK: text = "link"; break;
    case ROLE_SYSTEM_STATICTEXT: text = "text"; break;
    default: text = "control"; break;  // the system's own object of a child window
    }
    text += " \"" + Bstr(name).substr(0, 32) + "\"";
    const long s = state.vt == VT_I4 ? state.lVal : 0;
    const std::pair<long, const char*> told[] = {{STATE_SYSTEM_FOCUSED, "focused"},
                                                 {STATE_SYSTEM_UNAVAILABLE, "unavailable"},
                                                 {STATE_SYSTEM_PRESSED, "pressed"},
                                                 {STATE_SYSTEM_DEFAULT, "default"},
                                                 {STATE_SYSTEM_SELECTED, "selected"}};
    for (const auto& [bit, word] : told)
        if (s & bit) text += std::string(" ") + word;
    return text;
}

// Every child of a window's client object, through AccessibleChildren as a
// reader walks them: a child window by its own object.
std::vector<std::string> Children(HWND window) {
    Held<IAccessible> client;
    EXPECT_EQ(::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), client.Out()),
              S_OK);
    if (!client.p) return {};
    long count = 0;
    client->get_accChildCount(&count);
    std::vector<VARIANT> children(static_cast<size_t>(count));
    long got = 0;
    EXPECT_EQ(::AccessibleChildren(client.p, 0, count, children.data(), &got), S_OK);
    std::vector<std::string> said;
    for (long i = 0; i < got; ++i) {
        VARIANT& v = children[static_cast<size_t>(i)];
        if (v.vt == VT_DISPATCH) {
            Held<IAccessible> own;
            v.pdispVal->QueryInterface(__uuidof(IAccessible), own.Out());
            said.push_back(own.p ? Said(own.p, CHILDID_SELF) : "no object");
        } else {
            said.push_back(Said(client.p, v.lVal));
        }
        ::VariantClear(&v);
    }
    return said;
}

struct ScreenReader : ::testing::Test {
    Com com;
    void SetUp() override { ::SetCursorPos(2000, 2000); }
};

// Every window names its parts, the child windows and the painted ones, in
// focus order, then the texts no click reaches.
TEST_F(ScreenReader, EveryWindowNamesItsPartsInFocusOrder) {
    AppRig rig;
    rig.App().Start();
    Flush();
    // The build's version, major.minor.
    const std::string full = VH_VERSION;
    const std::string version = "text \"v" + full.substr(0, full.rfind('.')) + "\"";
    const std::vector<std::string> frame = {
        "page tab \"Scan\"", "page tab \"Restore\"", "page tab \"Settings\"", "page tab \"Records\"",
        "button \"Minimise\"", "button \"Close\"",
    };
    auto pageParts = [&](std::vector<std::string> controls, int current, std::vector<std::string> texts) {
        std::vector<std::string> all = std::move(controls);
        for (int i = 0; i < 6; ++i) all.push_back(frame[i] + (i == current ? " selected" : ""));
        all.insert(all.end(), texts.begin(), texts.end());
        return all;
    };
    std::vector<std::string> home = {"control \"Check6\" focused"};
    for (int i : {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15})
        home.push_back("control \"" + shell::layout::LayoutOf(shell::layout::Form::Scanner).checks[i < 6 ? i : i - 1].caption + "\"");
    home.push_back("button \"Scan now\"");
    home.push_back("link \"Select All\"");
    EXPECT_EQ(Children(rig.Page()->Handle()),
              pageParts(home, 0,
                        {"text \"Varnholt 2012\"", "text \"Scan and repair\"", version,
                         "text \"Your PC will be scanned for belo\"", "text \"Registry is the database of the \""}));

    const struct {
        Page page;
        std::vector<std::string> controls;
        std::vector<std::string> texts;
    } pages[] = {
        {Page::RestoreAndBackup,
         {"control \"Backups\" focused", "button \"Refresh\"", "button \"Restore\"", "button \"Delete\""},
         {"text \"Varnholt 2012\"", "text \"Restore\"", version}},
        {Page::Settings,
         {"button \"Apply\" focused", "control \"Make a backup before repair erro\"",
          "control \"Also check expandable strings (%\"", "control \"Create a restore point before re\"",
          "link \"Forget all\""},
         {"text \"Varnholt 2012\"", "text \"Settings\"", version, "text \"Ignored entries: 0\""}},
        {Page::Records,
         {"button \"Refresh\" focused"},
         {"text \"Varnholt 2012\"", "text \"Records\"", version, "text \"Last scan time:\"", "text \"Error count:\"",
          "text \"Fixed count:\"", "text \"\"", "text \"\"", "text \"\""}},  // nothing recorded yet
    };
    for (const auto& p : pages) {
        rig.App().SwitchPage(*rig.Page(), p.page);
        Flush();
        EXPECT_EQ(Children(rig.Page()->Handle()), pageParts(p.controls, static_cast<int>(p.page), p.texts))
            << rig.Page()->Layout().name;
    }

    // Made without showing it, so that its scan does not start.
    app::ScanWindow scan(rig.App());
    scan.Create(nullptr);
    EXPECT_EQ(Children(scan.Handle()),
              (std::vector<std::string>{"control \"Errors\"", "button \"Scan\"", "button \"Stop\" unavailable",
                                        "button \"Repair\" unavailable", "button \"Return\"", "button \"Close\"",
                                        "text \"Varnholt 2012\"", "text \"Now scanning:\"", "text \"Ready\"",
                                        "text \"Errors:\"", "text \"0\"", "text \"Fixed:\"", "text \"0\""}));
}

// The default action does what a click does: a navigation picture opens its
// page, the open page's own does nothing, a disabled button does nothing and
// says it is unavailable. The location is the part's place on the screen.
TEST_F(ScreenReader, TheDefaultActionDoesWhatAClickDoes) {
    AppRig rig;
    rig.App().Start();
    Flush();
    auto& home = *rig.Page();
    Held<IAccessible> client;
    ASSERT_EQ(::AccessibleObjectFromWindow(home.Handle(), static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           client.Out()),
              S_OK);
    // The navigation pictures follow the 15 boxes, "Scan now" and "Select All".
    const long scanTab = 18, settingsTab = 20;
    ASSERT_EQ(Said(client.p, settingsTab), "page tab \"Settings\"");
    long x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(client->accLocation(&x, &y, &w, &h, Child(settingsTab)), S_OK);
    RECT picture = home.PictureNamed("ImageSettings").Bounds();
    ::MapWindowPoints(home.Handle(), nullptr, reinterpret_cast<POINT*>(&picture), 2);
    EXPECT_EQ((std::vector<long>{x, y, w, h}),
              (std::vector<long>{picture.left, picture.top, picture.right - picture.left, picture.bottom - picture.top}));
    BSTR action = nullptr, shortcut = nullptr;
    client->get_accDefaultAction(Child(settingsTab), &action);
    client->get_accKeyboardShortcut(Child(settingsTab), &shortcut);
    EXPECT_EQ(Bstr(action), "Switch");
    EXPECT_EQ(Bstr(shortcut), "Ctrl+3");

    EXPECT_EQ(client->accDoDefaultAction(Child(scanTab)), DISP_E_MEMBERNOTFOUND) << "the open page's own";
    Flush();
    EXPECT_EQ(rig.Page(), &home);
    EXPECT_EQ(client->accDoDefaultAction(Child(settingsTab)), S_OK);
    EXPECT_EQ(rig.Page(), &home) << "the action runs once the reader's call has returned";
    ASSERT_TRUE(PumpUntil([&] { return rig.Page()->Page() == Page::Settings; }));
    EXPECT_EQ(client->accDoDefaultAction(Child(settingsTab)), CO_E_OBJNOTCONNECTED) << "the page it belonged to is gone";

    app::ScanWindow scan(rig.App());
    scan.Create(nullptr);
    // Should the start timer fall due meanwhile, its walk stops at once.
    rig.ui.onYield = [&](int) { ClickButton(scan, "CommandStop"); };
    Held<IAccessible> repair;
    ASSERT_EQ(::AccessibleObjectFromWindow(scan.ButtonNamed("CommandRepair").Handle(), static_cast<DWORD>(OBJID_CLIENT),
                                           __uuidof(IAccessible), repair.Out()),
              S_OK);
    EXPECT_EQ(Said(repair.p, CHILDID_SELF), "button \"Repair\" unavailable");
    repair->get_accDefaultAction(Child(CHILDID_SELF), &action);
    EXPECT_EQ(Bstr(action), "Press");
    EXPECT_EQ(repair->accDoDefaultAction(Child(CHILDID_SELF)), E_FAIL) << "as a disabled push button";
    Flush();
    EXPECT_TRUE(rig.ui.messages.empty()) << "nothing ran";
    rig.ui.onYield = nullptr;
}

// Tab onto a painted part moves the reader's focus there, as onto a window.
TEST_F(ScreenReader, FocusOnAPaintedPartIsAnnounced) {
    static std::vector<std::pair<HWND, long>> events;
    events.clear();
    const HWINEVENTHOOK hook = ::SetWinEventHook(
        EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr,
        [](HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
            if (object == OBJID_CLIENT) events.emplace_back(window, child);
        },
        ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    AppRig rig;
    rig.App().Start();
    ::SetForegroundWindow(rig.Page()->Handle());
    auto& page = *rig.Page();
    ::SetFocus(page.ButtonNamed("CommandScanNow").Handle());
    Flush();
    events.clear();
    ::SendMessageW(page.ButtonNamed("CommandScanNow").Handle(), WM_KEYDOWN, VK_DOWN, 0);  // moves on as Tab would
    ASSERT_TRUE(PumpUntil([&] { return !events.empty(); }));
    ::UnhookWinEvent(hook);
    EXPECT_EQ(events.back(), (std::pair<HWND, long>{page.Handle(), 17}));
    Held<IAccessible> client;
    ::AccessibleObjectFromWindow(page.Handle(), static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), client.Out());
    VARIANT focus;
    ASSERT_EQ(client->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.vt, VT_I4);
    EXPECT_EQ(focus.lVal, 17);
    EXPECT_EQ(Said(client.p, 17), "link \"Select All\" focused");
}

}  // namespace

namespace {

// Runs the reader of another process (a11y_probe, beside the tests) on
// `window` and gives its lines. Its calls come into this thread as
// messages, which are handled while it runs, as the program's own loop
// would (here inside the walk's yield).
std::vector<std::string> ReadFromAnotherProcess(HWND window) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!::CreatePipe(&read, &write, &inherit, 0)) return {"no pipe"};
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = start.hStdError = write;
    PROCESS_INFORMATION process{};
    std::wstring command = Wide("\"" + ModuleFolder() + "\\a11y_probe.exe\" " +
                                std::to_string(reinterpret_cast<INT_PTR>(window)));
    const BOOL started =
        ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process);
    ::CloseHandle(write);
    if (!started) {
        ::CloseHandle(read);
        return {"not started"};
    }
    while (::MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 60000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    std::string out;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
    ::CloseHandle(read);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    std::vector<std::string> lines;
    std::istringstream text(out);
    for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

// While the scan window runs its scan, a reader of another process finds
// every part of the home page unavailable, and pressing any of them does
// nothing: the scan ends as ever, the home page stays, and "Scan now"
// opens the scan window again afterwards.
TEST_F(ScreenReader, NothingOnTheHomePageActsUnderTheScanWindow) {
    AppRig rig;
    rig.App().Start();
    Flush();
    auto& home = *rig.Page();
    std::vector<std::string> read;
    int opened = 0;
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) {
        CloseAtEnd close{scan.Handle()};
        if (++opened == 1) {
            rig.ui.onYield = [&](int n) {
                if (n == 3) read = ReadFromAnotherProcess(home.Handle());
            };
            EXPECT_TRUE(PumpUntil([&] { return scan.LabelNamed("lblCurrentKey").Caption() == "Scan finished"; }, 120000));
            rig.ui.onYield = nullptr;
            Flush();  // whatever the reader's presses posted
            EXPECT_FALSE(scan.Closed());
        }
    };
    ClickButton(home, "CommandScanNow");
    ASSERT_TRUE(PumpUntil([&] { return opened == 1 && !rig.App().OpenScanWindow(); }, 120000));
    ASSERT_EQ(read.size(), 28u) << "every part: " << ::testing::PrintToString(read);
    for (const std::string& part : read) {
        EXPECT_NE(part.find(" unavailable "), std::string::npos) << part;
        EXPECT_EQ(part.find(" 00000000"), std::string::npos) << part << ": its default action must fail";
    }
    EXPECT_EQ(rig.Page(), &home) << "no page switched, nothing closed";
    EXPECT_FALSE(rig.ended);
    for (int i = 1; i <= 15; ++i) EXPECT_EQ(home.CheckNamed("Check" + std::to_string(i)).Value(), 1) << i;
    ClickButton(home, "CommandScanNow");
    EXPECT_TRUE(PumpUntil([&] { return opened == 2 && !rig.App().OpenScanWindow(); }, 120000)) << "Scan now opens again";
}

// What a reader hears of a scan: the count and the outcome as live regions
// at its end, with the final count; and the results list, named, gives its
// first row the focus mark when the keyboard arrives.
TEST_F(ScreenReader, TheEndOfAScanIsAnnouncedAndTheListShowsWhereTheKeyboardIs) {
    struct Event {
        HWND window;
        long child;
        std::string name;
    };
    static std::vector<Event> events;
    events.clear();
    const HWINEVENTHOOK hook = ::SetWinEventHook(
        EVENT_OBJECT_LIVEREGIONCHANGED, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr,
        [](HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
            if (object != OBJID_CLIENT) return;
            Held<IAccessible> client;
            ::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), client.Out());
            BSTR name = nullptr;
            if (client.p) client->get_accName(Child(child), &name);
            events.push_back({window, child, Bstr(name)});
        },
        ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    AppRig rig;
    rig.App().Start();
    Flush();
    std::string finalCount;
    HWND scanWindow = nullptr;
    rig.App().scanWindowShown = [&](app::ScanWindow& scan) {
        CloseAtEnd close{scan.Handle()};
        scanWindow = scan.Handle();
        EXPECT_TRUE(PumpUntil([&] { return scan.LabelNamed("lblCurrentKey").Caption() == "Scan finished"; }, 120000));
        Flush();
        finalCount = scan.LabelNamed("lblStatus").Caption();

        // The keyboard on the list: its first row has the focus mark, and
        // no row is selected or ticked by it.
        auto& list = scan.ListNamed("lvwRegErrors");
        if (list.RowCount() > 0) {
            const bool ticked = scan.Logic().Findings()[0].ticked;
            ::SetForegroundWindow(scan.Handle());
            const auto focusedRow = [&] {
                return ::SendMessageW(list.Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
            };
            if (::GetFocus() == list.Handle()) EXPECT_EQ(focusedRow(), 0) << "on the list while the rows came";
            // Without a focus mark, the keyboard comes back to the list.
            LVITEMW unmark{};
            unmark.stateMask = LVIS_FOCUSED;
            ::SendMessageW(list.Handle(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&unmark));
            ::SetFocus(scan.ButtonNamed("CommandStart").Handle());
            ASSERT_EQ(focusedRow(), -1);
            ::SetFocus(list.Handle());
            EXPECT_EQ(focusedRow(), 0);
            EXPECT_EQ(list.Selected(), 0);
            EXPECT_EQ(scan.Logic().Findings()[0].ticked, ticked);
        }
    };
    ClickButton(*rig.Page(), "CommandScanNow");
    ASSERT_TRUE(PumpUntil([&] { return scanWindow && !rig.App().OpenScanWindow(); }, 120000));
    ::UnhookWinEvent(hook);
    std::vector<std::string> said;
    for (const Event& e : events)
        if (e.window == scanWindow) said.push_back(e.name);
    ASSERT_GE(said.size(), 2u);
    EXPECT_EQ((std::vector<std::string>{said.end() - 2, said.end()}), (std::vector<std::string>{"Scan finished", finalCount}))
        << "the outcome and the final count, last";
}
