#pragma once
// What the Windows benchmarks share: a shown window to host the controls
// they time, and a clock.
#include <windows.h>

namespace bench {

// Seconds on the performance counter.
inline double Now() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

inline LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) return 0;  // the benchmark decides when it ends
    return ::DefWindowProcW(window, message, wParam, lParam);
}

// A shown top-level window of this outer size; the class is registered once.
inline HWND MakeHost(const wchar_t* title, DWORD style, int width, int height) {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &HostProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"VarnholtBenchHost";
        return ::RegisterClassExW(&wc);
    }();
    HWND host = ::CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(atom)), title, style, 10, 10,
                                  width, height, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::ShowWindow(host, SW_SHOWNORMAL);
    ::UpdateWindow(host);
    return host;
}

}  // namespace bench
