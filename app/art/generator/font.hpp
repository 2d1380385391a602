// A tiny stroke font: each letter is a few polylines on a grid where the
// capitals are 10 units high, so the words in the artwork come out smooth at
// any size without a font file. It holds only the letters the artwork uses.
#pragma once

#include <string_view>

#include "canvas.hpp"

namespace art {

struct TextStyle {
    float unit = 1.0f;     // pixels per font unit (capital height = 10 units)
    float weight = 1.6f;   // stroke width in units
    float spacing = 1.9f;  // extra advance between letters, in units
};

// Width in pixels of the text as text() would draw it.
float textWidth(std::string_view text, const TextStyle& style);

// Draws the text with its baseline at y, starting at x.
void text(Image& img, std::string_view text, float x, float baseline, const TextStyle& style,
          const Paint& paint);

}  // namespace art
