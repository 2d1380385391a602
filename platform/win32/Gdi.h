#pragma once
// Scoped owners of the GDI objects the windows and the button's surface use.
// Each one frees exactly what it owns, once: copies are deleted, moves hand
// the handle over.
#include <windows.h>

#include <utility>

namespace platform::win32::gdi {

// A font, brush, bitmap, pen or region made by this program.
template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    void Reset(Handle handle = nullptr) {
        if (handle_) ::DeleteObject(handle_);
        handle_ = handle;
    }
    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_ = nullptr;
};

using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Bitmap = GdiObject<HBITMAP>;
using Pen = GdiObject<HPEN>;

// A memory DC; deleted, not released.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatible = nullptr) : dc_(::CreateCompatibleDC(compatible)) {}
    ~MemoryDC() {
        if (dc_) ::DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// A window's DC, released to the same window it came from.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ::ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &ps_); }
    ~PaintDC() { ::EndPaint(window_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC Get() const { return dc_; }
    const RECT& Area() const { return ps_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_ = nullptr;
};

// An object selected into a DC for a scope; the previous one comes back.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? ::SelectObject(dc, object) : nullptr) {}
    ~Selected() {
        if (old_) ::SelectObject(dc_, old_);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// The DC's saved state (clip region, colours, modes) for a scope.
class SavedState {
public:
    explicit SavedState(HDC dc) : dc_(dc), id_(::SaveDC(dc)) {}
    ~SavedState() {
        if (id_) ::RestoreDC(dc_, id_);
    }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;

private:
    HDC dc_;
    int id_;
};

}  // namespace platform::win32::gdi
