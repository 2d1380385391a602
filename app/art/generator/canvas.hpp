// A small floating-point RGBA canvas with antialiased shapes, enough to draw
// the program's artwork without any outside library.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace art {

struct Colour {
    float r = 0, g = 0, b = 0, a = 1;  // channels 0..255, alpha 0..1
};

constexpr Colour rgb(int r, int g, int b, float a = 1.0f) {
    return Colour{float(r), float(g), float(b), a};
}
Colour mix(Colour from, Colour to, float t);
Colour withAlpha(Colour c, float a);

struct Point {
    float x = 0, y = 0;
};

// Straight (not premultiplied) alpha; pixel centres at x + 0.5, y + 0.5.
class Image {
public:
    Image(int width, int height, Colour fill = rgb(0, 0, 0, 0));
    int width() const { return w_; }
    int height() const { return h_; }
    Colour at(int x, int y) const { return px_[std::size_t(y) * w_ + x]; }
    void set(int x, int y, Colour c) { px_[std::size_t(y) * w_ + x] = c; }
    // Source-over blend of c, weighted by coverage 0..1.
    void blend(int x, int y, Colour c, float coverage);
    Image crop(int x, int y, int width, int height) const;
    void paste(const Image& src, int x, int y);  // source-over
    // 8-bit channels, clamped and rounded.
    std::uint8_t r8(int x, int y) const;
    std::uint8_t g8(int x, int y) const;
    std::uint8_t b8(int x, int y) const;
    std::uint8_t a8(int x, int y) const;

private:
    int w_, h_;
    std::vector<Colour> px_;
};

// Paint: the colour at a point (gradients are paints).
using Paint = std::function<Colour(float x, float y)>;
Paint solid(Colour c);
Paint vertical(float y0, Colour c0, float y1, Colour c1);
Paint horizontal(float x0, Colour c0, float x1, Colour c1);

// Signed distance in pixels: negative inside, positive outside.
using Shape = std::function<float(float x, float y)>;
Shape circle(float cx, float cy, float r);
Shape ring(float cx, float cy, float r, float width);
Shape roundRect(float x0, float y0, float x1, float y1, float radius);
Shape segment(Point a, Point b, float width);           // a capsule
Shape polyline(std::vector<Point> pts, float width);    // joined capsules
Shape polygon(std::vector<Point> pts);                  // filled, any winding
Shape unite(Shape a, Shape b);
Shape subtract(Shape a, Shape b);
Shape intersect(Shape a, Shape b);

// Fill the shape inside the box [x0,x1) × [y0,y1) (clipped to the image),
// with an analytic one-pixel antialiased edge.
void fill(Image& img, const Shape& shape, const Paint& paint, int x0, int y0, int x1, int y1);
void fill(Image& img, const Shape& shape, const Paint& paint);  // whole image
void fillRect(Image& img, int x0, int y0, int x1, int y1, const Paint& paint);

std::vector<Point> arc(float cx, float cy, float rx, float ry, float fromDeg, float toDeg);

}  // namespace art
