#include "canvas.hpp"

#include <algorithm>
#include <cmath>

namespace art {

namespace {
constexpr float kPi = 3.14159265358979f;

float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

std::uint8_t channel(float v) { return std::uint8_t(std::lround(std::clamp(v, 0.0f, 255.0f))); }

float segmentDistance(Point p, Point a, Point b) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0f;
    t = clamp01(t);
    const float ex = p.x - (a.x + t * dx), ey = p.y - (a.y + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}
}  // namespace

Colour mix(Colour from, Colour to, float t) {
    t = clamp01(t);
    return Colour{from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
                  from.b + (to.b - from.b) * t, from.a + (to.a - from.a) * t};
}

Colour withAlpha(Colour c, float a) {
    c.a = a;
    return c;
}

Image::Image(int width, int height, Colour fill)
    : w_(width), h_(height), px_(std::size_t(width) * height, fill) {}

void Image::blend(int x, int y, Colour c, float coverage) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    const float sa = clamp01(c.a * coverage);
    if (sa <= 0) return;
    Colour& d = px_[std::size_t(y) * w_ + x];
    const float da = d.a * (1 - sa);
    const float oa = sa + da;
    d.r = (c.r * sa + d.r * da) / oa;
    d.g = (c.g * sa + d.g * da) / oa;
    d.b = (c.b * sa + d.b * da) / oa;
    d.a = oa;
}

Image Image::crop(int x, int y, int width, int height) const {
    Image out(width, height);
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) out.set(i, j, at(x + i, y + j));
    return out;
}

void Image::paste(const Image& src, int x, int y) {
    for (int j = 0; j < src.height(); ++j)
        for (int i = 0; i < src.width(); ++i) blend(x + i, y + j, src.at(i, j), 1.0f);
}

std::uint8_t Image::r8(int x, int y) const { return channel(at(x, y).r); }
std::uint8_t Image::g8(int x, int y) const { return channel(at(x, y).g); }
std::uint8_t Image::b8(int x, int y) const { return channel(at(x, y).b); }
std::uint8_t Image::a8(int x, int y) const { return channel(at(x, y).a * 255.0f); }

Paint solid(Colour c) {
    return [c](float, float) { return c; };
}

Paint vertical(float y0, Colour c0, float y1, Colour c1) {
    return [=](float, float y) { return mix(c0, c1, (y - y0) / (y1 - y0)); };
}

Paint horizontal(float x0, Colour c0, float x1, Colour c1) {
    return [=](float x, float) { return mix(c0, c1, (x - x0) / (x1 - x0)); };
}

Shape circle(float cx, float cy, float r) {
    return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}

Shape ring(float cx, float cy, float r, float width) {
    return [=](float x, float y) { return std::fabs(std::hypot(x - cx, y - cy) - r) - width / 2; };
}

Shape roundRect(float x0, float y0, float x1, float y1, float radius) {
    return [=](float x, float y) {
        const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
        const float hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
        const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
        const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
        return outside + std::min(std::max(qx, qy), 0.0f) - radius;
    };
}

Shape segment(Point a, Point b, float width) {
    return [=](float x, float y) { return segmentDistance({x, y}, a, b) - width / 2; };
}

Shape polyline(std::vector<Point> pts, float width) {
    return [pts = std::move(pts), width](float x, float y) {
        float d = 1e9f;
        if (pts.size() == 1) d = std::hypot(x - pts[0].x, y - pts[0].y);
        for (std::size_t i = 1; i < pts.size(); ++i)
            d = std::min(d, segmentDistance({x, y}, pts[i - 1], pts[i]));
        return d - width / 2;
    };
}

Shape polygon(std::vector<Point> pts) {
    return [pts = std::move(pts)](float x, float y) {
        float d = 1e9f;
        bool inside = false;
        for (std::size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            d = std::min(d, segmentDistance({x, y}, pts[j], pts[i]));
            if ((pts[i].y > y) != (pts[j].y > y) &&
                x < (pts[j].x - pts[i].x) * (y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x)
                inside = !inside;
        }
        return inside ? -d : d;
    };
}

Shape unite(Shape a, Shape b) {
    return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}

Shape subtract(Shape a, Shape b) {
    return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

Shape intersect(Shape a, Shape b) {
    return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}

void fill(Image& img, const Shape& shape, const Paint& paint, int x0, int y0, int x1, int y1) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, img.width());
    y1 = std::min(y1, img.height());
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float coverage = clamp01(0.5f - shape(px, py));
            if (coverage > 0) img.blend(x, y, paint(px, py), coverage);
        }
}

void fill(Image& img, const Shape& shape, const Paint& paint) {
    fill(img, shape, paint, 0, 0, img.width(), img.height());
}

void fillRect(Image& img, int x0, int y0, int x1, int y1, const Paint& paint) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, img.width());
    y1 = std::min(y1, img.height());
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) img.blend(x, y, paint(x + 0.5f, y + 0.5f), 1.0f);
}

std::vector<Point> arc(float cx, float cy, float rx, float ry, float fromDeg, float toDeg) {
    // Angles counter-clockwise as on paper; y grows downwards on the canvas.
    const int steps = std::max(4, int(std::fabs(toDeg - fromDeg) / 6));
    std::vector<Point> pts;
    for (int i = 0; i <= steps; ++i) {
        const float t = (fromDeg + (toDeg - fromDeg) * i / steps) * kPi / 180;
        pts.push_back({cx + rx * std::cos(t), cy - ry * std::sin(t)});
    }
    return pts;
}

}  // namespace art
