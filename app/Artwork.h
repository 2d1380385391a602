#pragma once
// What the windows draw besides their controls: the fonts of the layout
// (with a stand-in where the machine lacks the face), the frame bitmaps
// stored with the program, and the background pictures read from the
// application folder.
#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/win32/Gdi.h"
#include "shell/Layouts.h"

namespace app {

namespace gdi = platform::win32::gdi;

// The face the machine draws for `wanted`: the face itself when installed,
// else the nearest installed sans face; empty when none of them is there
// (then the system's GUI font stands in).
std::string InstalledFace(const std::string& wanted);

// The layout's font at `dpi` dots per inch (the window's density).
gdi::Font MakeFont(const shell::layout::FontSpec& entry, int dpi, bool underline = false);

// The font a gradient button is given at `dpi`: the stored face, or its
// stand-in, with the size scaled from 96 dots per inch, the density the
// button's surface draws its text at.
platform::Font ButtonFont(const shell::layout::FontSpec& entry, int dpi);

// The frame bitmap for image `index` of a picture, drawn for the scale
// nearest `dpi` (100%, 150% or 200%); null when the program was built
// without it. Loaded once and shared by every window.
HBITMAP FrameBitmap(shell::layout::Art art, int index, int dpi = shell::layout::kLayoutDpi);

// Draws `bitmap` into `at`: copied when it has that size, else scaled
// smoothly.
void DrawBitmap(HDC dc, HBITMAP bitmap, const RECT& at);

// A picture file that cannot be shown: missing, unreadable, or not a picture.
class PictureError : public std::runtime_error {
public:
    PictureError(const std::string& path, const std::string& reason)
        : std::runtime_error(reason + "\r\n" + path), path_(path) {}
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// A picture read from a file, told apart by content (bitmap, JPEG, GIF,
// icon, metafile), drawn once into a bitmap of its own size.
class Picture {
public:
    // Reads the file at every call. Throws PictureError.
    static Picture Load(const std::string& path);
    HBITMAP Handle() const { return bitmap_->Get(); }
    SIZE Size() const { return size_; }
    // A copy drawn smoothly at `size`, made once for a window on a denser
    // screen than the picture's 96 dots per inch.
    gdi::Bitmap Scaled(SIZE size) const;

private:
    static Picture Decode(const std::string& path, const std::vector<char>& bytes);
    // Drawn once for the same bytes, and shared (see Load).
    std::shared_ptr<const gdi::Bitmap> bitmap_;
    SIZE size_{};
};

}  // namespace app
