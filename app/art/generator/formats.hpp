// Writers for the picture files the program loads: 24-bit BMP, icon, GIF
// and baseline JPEG. Each returns the file's bytes; the caller saves them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.hpp"

namespace art {

using Bytes = std::vector<std::uint8_t>;

// Opaque 24-bit bottom-up bitmap file (alpha is ignored).
Bytes bmp24(const Image& img);

// One icon file; every image is stored twice, at 8 bits per pixel (a palette
// of its own, transparency from the AND mask) and at 32 bits with alpha.
Bytes ico(const std::vector<Image>& images);

// Up to 256 colours chosen for the image (median cut), no dithering.
struct Palette {
    std::vector<Colour> colours;
    std::vector<std::uint8_t> index;  // one per pixel, row by row from the top
};
Palette quantize(const Image& img, int maxColours);

// GIF89a with its own 256-colour palette.
Bytes gif(const Image& img);

// Baseline JPEG, no chroma subsampling; quality 1..100.
Bytes jpeg(const Image& img, int quality);

void save(const std::string& path, const Bytes& bytes);

}  // namespace art
