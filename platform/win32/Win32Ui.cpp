#include "platform/win32/Win32Ui.h"

#include <exception>
#include <thread>
#include <vector>

#include "platform/win32/Accessible.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Window.h"

namespace platform::win32 {

namespace {

// Runs one of the locale formatting functions with a buffer of the size it
// asks for, so an unusually long user format is not cut.
template <typename Format>
std::string FormatWithLocale(Format format) {
    int needed = format(nullptr, 0);
    if (needed <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(needed) + 1, L'\0');
    int written = format(buffer.data(), needed + 1);
    if (written <= 0) return {};
    return Utf8(std::wstring(buffer.data()));
}

}  // namespace

MessageAnswer Win32UiServices::ShowMessage(const std::string& text, MessageStyle style) {
    // Owned by the active window so the box is modal to it; the owner keeps
    // repainting through the box's own message loop.
    int answer = ::MessageBoxW(::GetActiveWindow(), Wide(text).c_str(), Wide(kProgramTitle).c_str(),
                               static_cast<UINT>(style));
    switch (answer) {
        case IDYES: return MessageAnswer::Yes;
        case IDNO: return MessageAnswer::No;
        default: return MessageAnswer::Ok;
    }
}

// The scan yields once per key, hundreds of thousands of times, and under
// Wine each look at the queue is a round trip to the server (tens of
// microseconds): together more than a quarter of the whole walk. Nobody can
// tell a window that answers every 10 ms from one that answers at once, so
// in between a yield costs one read of the performance counter.
void Win32UiServices::DoEvents() {
    const double now = Milliseconds();
    if (now < nextPump_) return;
    // Set before pumping: a handler that yields in turn finds it done.
    nextPump_ = now + kPumpIntervalMs;
    ++pumps_;
    PumpMessages();
}

void Win32UiServices::WaitFor(const std::function<void()>& work) {
    const HANDLE done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!done) {
        work();
        return;
    }
    std::exception_ptr failed;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failed = std::current_exception();
        }
        ::SetEvent(done);
    });
    // The windows stay alive: painted, moved, and refusing what the caller
    // has disabled, as in any other yield.
    for (;;) {
        const DWORD woke = ::MsgWaitForMultipleObjectsEx(1, &done, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + 1) break;  // done (or the wait failed: the join waits)
        MSG quit;
        if (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) {
            // The quit stays for the outer loop; the queue would wake the
            // wait at once for ever after.
            ::WaitForSingleObject(done, INFINITE);
            break;
        }
        ++pumps_;
        PumpMessages();
    }
    worker.join();
    ::CloseHandle(done);
    if (failed) std::rethrow_exception(failed);
}

void PumpMessages() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The quit belongs to the outer message loop: put it back for that
            // loop to see, and stop here, or we would take it again at once.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        // The keys work during a walk as they do between walks.
        if (PreTranslateKeys(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void Win32UiServices::Notify(const std::string& text) { RaiseNotification(::GetActiveWindow(), text); }

double Win32UiServices::SecondsSinceMidnight() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return SecondsSinceMidnightOf(now);
}

std::string Win32UiServices::NowText() {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return GeneralDateText(now);
}

double SecondsSinceMidnightOf(const SYSTEMTIME& t) {
    return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
}

std::string GeneralDateText(const SYSTEMTIME& t) {
    std::string date = FormatWithLocale([&](wchar_t* out, int size) {
        return ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, out, size);
    });
    // The text has whole seconds, so "midnight" is the whole second 00:00:00.
    if (t.wHour == 0 && t.wMinute == 0 && t.wSecond == 0) return date;
    std::string time = FormatWithLocale([&](wchar_t* out, int size) {
        return ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &t, nullptr, out, size);
    });
    return date + " " + time;
}

}  // namespace platform::win32
