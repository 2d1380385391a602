#include "font.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

namespace art {

namespace {

// Font units: x to the right from the letter's left edge, y downwards from
// the top of the capitals; baseline at 10, lower-case height from 3.
using Stroke = std::vector<Point>;

struct Glyph {
    float width;
    std::vector<Stroke> strokes;
};

Stroke line(Point a, Point b) { return {a, b}; }

Stroke join(Stroke a, const Stroke& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Glyph glyph(char c) {
    switch (c) {
    case 'S':
        return {6.2f, {join(arc(3.1f, 2.55f, 3.0f, 2.45f, 28, 270), arc(3.1f, 7.5f, 3.1f, 2.5f, 90, -152))}};
    case 'R':
        return {5.9f,
                {join(join(Stroke{{0, 10}, {0, 0}, {2.9f, 0}}, arc(2.9f, 2.6f, 2.6f, 2.6f, 90, -90)),
                      Stroke{{0, 5.2f}}),
                 line({2.8f, 5.2f}, {5.9f, 10})}};
    case 'V':
        return {7.0f, {Stroke{{0, 0}, {3.5f, 10}, {7.0f, 0}}}};
    case 'a':
        return {6.0f, {arc(3.0f, 6.5f, 3.0f, 3.5f, 0, 360), line({6.0f, 3}, {6.0f, 10})}};
    case 'c':
        return {5.9f, {arc(3.2f, 6.5f, 3.2f, 3.5f, 42, 318)}};
    case 'd':
        return {6.0f, {arc(3.0f, 6.5f, 3.0f, 3.5f, 0, 360), line({6.0f, 0}, {6.0f, 10})}};
    case 'e':
        return {6.4f, {join(Stroke{{0.1f, 6.6f}}, arc(3.2f, 6.5f, 3.2f, 3.5f, 0, 318))}};
    case 'g':
        return {6.0f,
                {arc(3.0f, 6.5f, 3.0f, 3.5f, 0, 360),
                 join(Stroke{{6.0f, 3}}, arc(3.0f, 10.6f, 3.0f, 2.4f, 0, -150))}};
    case 'h':
        return {6.0f, {line({0, 0}, {0, 10}), join(arc(3.0f, 6.3f, 3.0f, 3.3f, 180, 0), Stroke{{6.0f, 10}})}};
    case 'i':
        return {0.0f, {line({0, 3}, {0, 10}), line({0, 0.6f}, {0, 0.7f})}};
    case 'l':
        return {0.0f, {line({0, 0}, {0, 10})}};
    case 'n':
        return {6.0f, {line({0, 3}, {0, 10}), join(arc(3.0f, 6.3f, 3.0f, 3.3f, 180, 0), Stroke{{6.0f, 10}})}};
    case 'o':
        return {6.4f, {arc(3.2f, 6.5f, 3.2f, 3.5f, 0, 360)}};
    case 'r':
        return {4.0f, {line({0, 3}, {0, 10}), arc(3.3f, 6.6f, 3.3f, 3.6f, 180, 72)}};
    case 's':
        return {5.2f,
                {join(arc(2.6f, 4.75f, 2.5f, 1.75f, 30, 270), arc(2.6f, 8.25f, 2.6f, 1.75f, 90, -155))}};
    case 't':
        return {3.6f, {line({1.3f, 0.8f}, {1.3f, 10}), line({0, 3.2f}, {3.6f, 3.2f})}};
    default:
        throw std::runtime_error(std::string("no glyph for '") + c + "'");
    }
}

}  // namespace

float textWidth(std::string_view s, const TextStyle& style) {
    float w = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        w += glyph(s[i]).width;
        if (i + 1 < s.size()) w += style.spacing + style.weight;
    }
    return (w + style.weight) * style.unit;
}

void text(Image& img, std::string_view s, float x, float baseline, const TextStyle& style,
          const Paint& paint) {
    const float u = style.unit;
    const float top = baseline - 10 * u;
    float pen = x + style.weight * u / 2;
    for (char c : s) {
        const Glyph g = glyph(c);
        // One shape per letter, so overlapping strokes blend once.
        std::vector<Shape> parts;
        float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
        for (const Stroke& st : g.strokes) {
            std::vector<Point> pts;
            for (Point p : st) {
                pts.push_back({pen + p.x * u, top + p.y * u});
                minX = std::min(minX, pts.back().x), maxX = std::max(maxX, pts.back().x);
                minY = std::min(minY, pts.back().y), maxY = std::max(maxY, pts.back().y);
            }
            parts.push_back(polyline(std::move(pts), style.weight * u));
        }
        const Shape letter = [parts](float px, float py) {
            float d = 1e9f;
            for (const Shape& part : parts) d = std::min(d, part(px, py));
            return d;
        };
        const float pad = style.weight * u + 2;
        fill(img, letter, paint, int(std::floor(minX - pad)), int(std::floor(minY - pad)),
             int(std::ceil(maxX + pad)), int(std::ceil(maxY + pad)));
        pen += (g.width + style.spacing + style.weight) * u;
    }
}

}  // namespace art
