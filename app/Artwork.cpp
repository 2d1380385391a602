#include "app/Artwork.h"

#include <ole2.h>
#include <olectl.h>

#include <cmath>
#include <map>
#include <vector>

#include "app/resource.h"
#include "platform/win32/WideText.h"

namespace app {

using platform::win32::Wide;

namespace {

using shell::layout::Art;

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool Installed(HDC dc, const std::string& face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, Wide(face).c_str(), LF_FACESIZE);
    bool found = false;
    ::EnumFontFamiliesExW(dc, &wanted, &FaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// COM pointer released at the end of its scope.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (p_) p_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** Out() { return &p_; }
    T* operator->() const { return p_; }
    T* Get() const { return p_; }

private:
    T* p_ = nullptr;
};

}  // namespace

std::string InstalledFace(const std::string& wanted) {
    static std::map<std::string, std::string> known;
    if (auto it = known.find(wanted); it != known.end()) return it->second;
    gdi::WindowDC screen(nullptr);
    std::string face;
    // Verdana's nearest relatives first: wide, plain sans faces.
    for (const char* candidate : {wanted.c_str(), "Tahoma", "DejaVu Sans", "Segoe UI", "Arial", "Liberation Sans"}) {
        if (Installed(screen.Get(), candidate)) {
            face = candidate;
            break;
        }
    }
    known[wanted] = face;
    return face;
}

gdi::Font MakeFont(const shell::layout::FontSpec& entry, int dpi, bool underline) {
    const std::string face = InstalledFace(entry.face);
    LOGFONTW lf{};
    if (face.empty()) {
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    } else {
        lstrcpynW(lf.lfFaceName, Wide(face).c_str(), LF_FACESIZE);
        lf.lfCharSet = DEFAULT_CHARSET;
    }
    lf.lfHeight = -static_cast<LONG>(std::lround(entry.points * dpi / 72.0));
    lf.lfWeight = entry.bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = underline ? TRUE : FALSE;
    lf.lfQuality = DEFAULT_QUALITY;
    return gdi::Font(::CreateFontIndirectW(&lf));
}

platform::Font ButtonFont(const shell::layout::FontSpec& entry, int dpi) {
    platform::Font font = shell::layout::ToFont(entry);
    if (std::string face = InstalledFace(entry.face); !face.empty()) font.face = face;
    font.points = font.points * dpi / shell::layout::kLayoutDpi;
    return font;
}

HBITMAP FrameBitmap(Art art, int index, int dpi) {
    static std::map<int, gdi::Bitmap> loaded;
    int first = 0;
    switch (art) {
    case Art::CaptionPage: first = IDB_CAPTION_PAGE; break;
    case Art::CaptionScan: first = IDB_CAPTION_SCAN; break;
    case Art::Minimise: first = IDB_MIN_0; break;
    case Art::Exit: first = IDB_EXIT_0; break;
    case Art::NavScanner: first = IDB_NAV_SCANNER_0; break;
    case Art::NavRestore: first = IDB_NAV_RESTORE_0; break;
    case Art::NavSettings: first = IDB_NAV_SETTINGS_0; break;
    case Art::NavRecords: first = IDB_NAV_RECORDS_0; break;
    case Art::Question: first = IDB_QUESTION; break;
    }
    // The nearest of 96, 144 and 192 dots per inch; between two, the larger,
    // as a picture scaled down keeps its edges where one scaled up blurs.
    const int scale = dpi < 120 ? 0 : dpi < 168 ? IDB_AT_150 : IDB_AT_200;
    const int id = first + index + scale;
    auto it = loaded.find(id);
    if (it == loaded.end()) {
        HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                                           IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        it = loaded.emplace(id, gdi::Bitmap(bitmap)).first;
    }
    return it->second.Get();
}

void DrawBitmap(HDC dc, HBITMAP bitmap, const RECT& at) {
    BITMAP info{};
    ::GetObjectW(bitmap, sizeof info, &info);
    gdi::MemoryDC source(dc);
    gdi::Selected selected(source.Get(), bitmap);
    const int width = at.right - at.left, height = at.bottom - at.top;
    if (info.bmWidth == width && info.bmHeight == height) {
        ::BitBlt(dc, at.left, at.top, width, height, source.Get(), 0, 0, SRCCOPY);
        return;
    }
    const int mode = ::SetStretchBltMode(dc, HALFTONE);
    POINT origin{};
    ::SetBrushOrgEx(dc, 0, 0, &origin);  // as HALFTONE requires
    ::StretchBlt(dc, at.left, at.top, width, height, source.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    ::SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    ::SetStretchBltMode(dc, mode);
}

Picture Picture::Load(const std::string& path) {
    HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        throw PictureError(path, error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                                     ? "File not found:"
                                     : "The picture file cannot be read:");
    }
    LARGE_INTEGER length{};
    ::GetFileSizeEx(file, &length);
    std::vector<char> bytes(static_cast<size_t>(length.QuadPart > 0 && length.QuadPart < (64 << 20) ? length.QuadPart : 0));
    DWORD read = 0;
    const bool ok = !bytes.empty() && ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                    read == bytes.size();
    ::CloseHandle(file);
    if (!ok) throw PictureError(path, "Invalid picture:");

    // A page opened again reads its picture again, and its bytes are most
    // often those of the last time: the picture drawn from them then serves
    // again, as decoding it anew costs a good part of opening the page.
    struct Drawn {
        std::vector<char> bytes;
        Picture picture;
    };
    static std::map<std::string, Drawn> drawn;
    if (const auto found = drawn.find(path); found != drawn.end() && found->second.bytes == bytes)
        return found->second.picture;
    Picture result = Decode(path, bytes);
    drawn[path] = Drawn{std::move(bytes), result};
    return result;
}

Picture Picture::Decode(const std::string& path, const std::vector<char>& bytes) {
    // The stream owns the memory once it is made.
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) throw PictureError(path, "Out of memory reading the picture:");
    if (void* p = ::GlobalLock(memory)) {
        std::copy(bytes.begin(), bytes.end(), static_cast<char*>(p));
        ::GlobalUnlock(memory);
    }
    ComRef<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(memory, TRUE, stream.Out()))) {
        ::GlobalFree(memory);
        throw PictureError(path, "Out of memory reading the picture:");
    }
    ComRef<IPicture> picture;
    if (FAILED(::OleLoadPicture(stream.Get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                                reinterpret_cast<void**>(picture.Out()))) ||
        !picture.Get())
        throw PictureError(path, "Invalid picture:");

    OLE_XSIZE_HIMETRIC hmWidth = 0;
    OLE_YSIZE_HIMETRIC hmHeight = 0;
    picture->get_Width(&hmWidth);
    picture->get_Height(&hmHeight);
    gdi::WindowDC screen(nullptr);
    // HIMETRIC at the screen's density: 2540 units to the inch.
    const int w = ::MulDiv(hmWidth, ::GetDeviceCaps(screen.Get(), LOGPIXELSX), 2540);
    const int h = ::MulDiv(hmHeight, ::GetDeviceCaps(screen.Get(), LOGPIXELSY), 2540);
    if (w <= 0 || h <= 0) throw PictureError(path, "Invalid picture:");

    auto bitmap = std::make_shared<gdi::Bitmap>(::CreateCompatibleBitmap(screen.Get(), w, h));
    if (!*bitmap) throw PictureError(path, "Out of memory drawing the picture:");
    Picture result;
    result.bitmap_ = bitmap;
    result.size_ = {w, h};
    gdi::MemoryDC memoryDc(screen.Get());
    gdi::Selected selected(memoryDc.Get(), bitmap->Get());
    RECT all{0, 0, w, h};
    ::FillRect(memoryDc.Get(), &all, ::GetSysColorBrush(COLOR_BTNFACE));
    // Rows run upwards in HIMETRIC: start at the bottom, negative height.
    if (FAILED(picture->Render(memoryDc.Get(), 0, 0, w, h, 0, hmHeight, hmWidth, -hmHeight, nullptr)))
        throw PictureError(path, "Invalid picture:");
    return result;
}

gdi::Bitmap Picture::Scaled(SIZE size) const {
    gdi::WindowDC screen(nullptr);
    gdi::Bitmap scaled(::CreateCompatibleBitmap(screen.Get(), size.cx, size.cy));
    if (!scaled) return scaled;
    gdi::MemoryDC target(screen.Get());
    gdi::Selected selected(target.Get(), scaled.Get());
    DrawBitmap(target.Get(), bitmap_->Get(), {0, 0, size.cx, size.cy});
    return scaled;
}

}  // namespace app
