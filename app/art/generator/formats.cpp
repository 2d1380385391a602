#include "formats.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <stdexcept>
#include <unordered_map>

namespace art {

namespace {

void put16(Bytes& out, unsigned v) {
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void put32(Bytes& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void put16be(Bytes& out, unsigned v) {
    out.push_back(std::uint8_t(v >> 8));
    out.push_back(std::uint8_t(v));
}

std::uint32_t key(const Image& img, int x, int y) {
    return std::uint32_t(img.r8(x, y)) << 16 | std::uint32_t(img.g8(x, y)) << 8 | img.b8(x, y);
}

int component(std::uint32_t k, int axis) { return int(k >> (16 - 8 * axis)) & 0xFF; }

struct Entry {
    std::uint32_t colour;
    std::uint32_t count;
};

// Median cut: split the box with the widest spread (weighted by how many
// pixels it holds) along its widest channel, at the pixel-weighted median.
std::vector<Colour> medianCut(std::vector<Entry> entries, int maxColours) {
    struct Box {
        std::size_t begin, end;
    };
    auto spread = [&](const Box& b, int& axis) {
        int best = -1;
        std::uint64_t pixels = 0;
        for (std::size_t i = b.begin; i < b.end; ++i) pixels += entries[i].count;
        for (int a = 0; a < 3; ++a) {
            int lo = 255, hi = 0;
            for (std::size_t i = b.begin; i < b.end; ++i) {
                lo = std::min(lo, component(entries[i].colour, a));
                hi = std::max(hi, component(entries[i].colour, a));
            }
            if (hi - lo > best) best = hi - lo, axis = a;
        }
        return double(best) * std::sqrt(double(pixels));
    };
    std::vector<Box> boxes{{0, entries.size()}};
    while (int(boxes.size()) < maxColours) {
        int pick = -1, axis = 0;
        double widest = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            int a = 0;
            const double s = boxes[i].end - boxes[i].begin > 1 ? spread(boxes[i], a) : 0;
            if (s > widest) widest = s, pick = int(i), axis = a;
        }
        if (pick < 0) break;
        Box b = boxes[pick];
        std::sort(entries.begin() + b.begin, entries.begin() + b.end, [&](const Entry& l, const Entry& r) {
            const int cl = component(l.colour, axis), cr = component(r.colour, axis);
            return cl != cr ? cl < cr : l.colour < r.colour;
        });
        std::uint64_t total = 0, run = 0;
        for (std::size_t i = b.begin; i < b.end; ++i) total += entries[i].count;
        std::size_t cut = b.begin + 1;
        for (std::size_t i = b.begin; i + 1 < b.end; ++i) {
            run += entries[i].count;
            cut = i + 1;
            if (run * 2 >= total) break;
        }
        boxes[pick] = {b.begin, cut};
        boxes.push_back({cut, b.end});
    }
    std::vector<Colour> palette;
    for (const Box& b : boxes) {
        double r = 0, g = 0, bl = 0, n = 0;
        for (std::size_t i = b.begin; i < b.end; ++i) {
            const double c = entries[i].count;
            r += component(entries[i].colour, 0) * c;
            g += component(entries[i].colour, 1) * c;
            bl += component(entries[i].colour, 2) * c;
            n += c;
        }
        palette.push_back(rgb(int(std::lround(r / n)), int(std::lround(g / n)), int(std::lround(bl / n))));
    }
    return palette;
}

std::vector<Entry> histogram(const Image& img, bool opaqueOnly) {
    std::vector<std::uint32_t> keys;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (!opaqueOnly || img.a8(x, y) >= 128) keys.push_back(key(img, x, y));
    std::sort(keys.begin(), keys.end());
    std::vector<Entry> entries;
    for (std::uint32_t k : keys) {
        if (entries.empty() || entries.back().colour != k) entries.push_back({k, 0});
        ++entries.back().count;
    }
    return entries;
}

class NearestColour {
public:
    explicit NearestColour(const std::vector<Colour>& palette) : palette_(palette) {}
    std::uint8_t operator()(std::uint32_t k) {
        auto it = cache_.find(k);
        if (it != cache_.end()) return it->second;
        int best = 0;
        float bestDist = 1e30f;
        for (std::size_t i = 0; i < palette_.size(); ++i) {
            const float dr = palette_[i].r - component(k, 0), dg = palette_[i].g - component(k, 1),
                        db = palette_[i].b - component(k, 2);
            const float d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (d < bestDist) bestDist = d, best = int(i);
        }
        return cache_[k] = std::uint8_t(best);
    }

private:
    const std::vector<Colour>& palette_;
    std::unordered_map<std::uint32_t, std::uint8_t> cache_;
};

// The colour planes of an icon image: pixels, then the AND mask, both
// bottom-up, rows padded to 32 bits.
void iconMask(Bytes& out, const Image& img) {
    const int stride = (img.width() + 31) / 32 * 4;
    for (int y = img.height() - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(stride, 0);
        for (int x = 0; x < img.width(); ++x)
            if (img.a8(x, y) < 128) row[x / 8] |= std::uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
}

void iconHeader(Bytes& out, const Image& img, int bits, std::uint32_t imageBytes) {
    put32(out, 40);
    put32(out, img.width());
    put32(out, img.height() * 2);  // colour plane and mask
    put16(out, 1);
    put16(out, bits);
    put32(out, 0);
    put32(out, imageBytes);
    put32(out, 0);
    put32(out, 0);
    put32(out, bits == 8 ? 256 : 0);
    put32(out, 0);
}

Bytes iconImage8(const Image& img) {
    // Index 0 is black and stands for the transparent pixels, as the AND mask
    // expects; the visible ones share the other 255 entries.
    std::vector<Colour> palette{rgb(0, 0, 0)};
    for (Colour c : medianCut(histogram(img, true), 255)) palette.push_back(c);
    palette.resize(256, rgb(0, 0, 0));
    std::vector<Colour> visible(palette.begin() + 1, palette.end());
    NearestColour nearest(visible);
    const int stride = (img.width() + 3) / 4 * 4;
    const int maskStride = (img.width() + 31) / 32 * 4;
    Bytes out;
    iconHeader(out, img, 8, std::uint32_t((stride + maskStride) * img.height()));
    for (const Colour& c : palette) {
        out.push_back(std::uint8_t(c.b));
        out.push_back(std::uint8_t(c.g));
        out.push_back(std::uint8_t(c.r));
        out.push_back(0);
    }
    for (int y = img.height() - 1; y >= 0; --y) {
        for (int x = 0; x < stride; ++x)
            out.push_back(x < img.width() && img.a8(x, y) >= 128 ? std::uint8_t(1 + nearest(key(img, x, y))) : 0);
    }
    iconMask(out, img);
    return out;
}

Bytes iconImage32(const Image& img) {
    const int maskStride = (img.width() + 31) / 32 * 4;
    Bytes out;
    iconHeader(out, img, 32, std::uint32_t((img.width() * 4 + maskStride) * img.height()));
    for (int y = img.height() - 1; y >= 0; --y)
        for (int x = 0; x < img.width(); ++x) {
            out.push_back(img.b8(x, y));
            out.push_back(img.g8(x, y));
            out.push_back(img.r8(x, y));
            out.push_back(img.a8(x, y));
        }
    iconMask(out, img);
    return out;
}

// GIF's variable-length LZW, least significant bit first.
class LzwWriter {
public:
    explicit LzwWriter(Bytes& out) : out_(out) {}
    void code(unsigned c, int bits) {
        acc_ |= std::uint32_t(c) << used_;
        used_ += bits;
        while (used_ >= 8) {
            byte(std::uint8_t(acc_));
            acc_ >>= 8;
            used_ -= 8;
        }
    }
    void finish() {
        if (used_ > 0) byte(std::uint8_t(acc_));
        flushBlock();
        out_.push_back(0);  // block terminator
    }

private:
    void byte(std::uint8_t b) {
        block_.push_back(b);
        if (block_.size() == 255) flushBlock();
    }
    void flushBlock() {
        if (block_.empty()) return;
        out_.push_back(std::uint8_t(block_.size()));
        out_.insert(out_.end(), block_.begin(), block_.end());
        block_.clear();
    }
    Bytes& out_;
    Bytes block_;
    std::uint32_t acc_ = 0;
    int used_ = 0;
};

void lzw(Bytes& out, const std::vector<std::uint8_t>& pixels) {
    constexpr unsigned kClear = 256, kEnd = 257;
    LzwWriter w(out);
    std::unordered_map<std::uint32_t, unsigned> table;  // (prefix << 8 | byte) -> code
    unsigned next = 258;
    int bits = 9;
    w.code(kClear, bits);
    if (pixels.empty()) {
        w.code(kEnd, bits);
        w.finish();
        return;
    }
    unsigned prefix = pixels[0];
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const std::uint32_t k = std::uint32_t(prefix) << 8 | pixels[i];
        auto it = table.find(k);
        if (it != table.end()) {
            prefix = it->second;
            continue;
        }
        w.code(prefix, bits);
        table.emplace(k, next++);
        if (next > (1u << bits) && bits < 12) ++bits;
        if (next >= 4095) {  // table full: start again
            w.code(kClear, bits);
            table.clear();
            next = 258;
            bits = 9;
        }
        prefix = pixels[i];
    }
    w.code(prefix, bits);
    w.code(kEnd, bits);
    w.finish();
}

// ---- JPEG -------------------------------------------------------------

constexpr std::array<int, 64> kLumaQuant = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<int, 64> kChromaQuant = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// Natural (row-major) index of each position of the zig-zag scan.
std::array<int, 64> zigzag() {
    std::array<int, 64> order{};
    int n = 0;
    for (int s = 0; s < 15; ++s) {
        for (int i = 0; i <= s; ++i) {
            const int row = (s % 2 == 0) ? s - i : i;
            const int col = s - row;
            if (row < 8 && col < 8) order[n++] = row * 8 + col;
        }
    }
    return order;
}

std::array<int, 64> scaledQuant(const std::array<int, 64>& base, int quality) {
    quality = std::clamp(quality, 1, 100);
    const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
    std::array<int, 64> q{};
    for (int i = 0; i < 64; ++i) q[i] = std::clamp((base[i] * scale + 50) / 100, 1, 255);
    return q;
}

// Huffman tables with codes of one length: every symbol the coder can emit
// is listed, so nothing depends on the picture, and a picture this size
// does not need the last few percent of compression.
struct Huffman {
    int length;
    std::vector<std::uint8_t> symbols;
    std::array<unsigned, 256> code{};
};

Huffman dcTable() {
    Huffman h{4, {}, {}};
    for (int s = 0; s <= 11; ++s) h.symbols.push_back(std::uint8_t(s));
    for (std::size_t i = 0; i < h.symbols.size(); ++i) h.code[h.symbols[i]] = unsigned(i);
    return h;
}

Huffman acTable() {
    Huffman h{8, {0x00, 0xF0}, {}};
    for (int run = 0; run < 16; ++run)
        for (int size = 1; size <= 10; ++size) h.symbols.push_back(std::uint8_t(run << 4 | size));
    for (std::size_t i = 0; i < h.symbols.size(); ++i) h.code[h.symbols[i]] = unsigned(i);
    return h;
}

class BitWriter {
public:
    explicit BitWriter(Bytes& out) : out_(out) {}
    void bits(unsigned value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            acc_ = std::uint8_t(acc_ << 1 | ((value >> i) & 1));
            if (++used_ == 8) {
                out_.push_back(acc_);
                if (acc_ == 0xFF) out_.push_back(0);  // byte stuffing
                acc_ = 0;
                used_ = 0;
            }
        }
    }
    void pad() {
        while (used_ != 0) bits(1, 1);
    }

private:
    Bytes& out_;
    std::uint8_t acc_ = 0;
    int used_ = 0;
};

int magnitude(int v) {
    int n = 0;
    for (v = std::abs(v); v; v >>= 1) ++n;
    return n;
}

void putHuffmanTable(Bytes& out, int tableClass, int id, const Huffman& h) {
    out.push_back(std::uint8_t(tableClass << 4 | id));
    for (int len = 1; len <= 16; ++len) out.push_back(len == h.length ? std::uint8_t(h.symbols.size()) : 0);
    out.insert(out.end(), h.symbols.begin(), h.symbols.end());
}

}  // namespace

Bytes bmp24(const Image& img) {
    const int stride = (img.width() * 3 + 3) / 4 * 4;
    const std::uint32_t pixelBytes = std::uint32_t(stride) * img.height();
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 14 + 40 + pixelBytes);
    put32(out, 0);
    put32(out, 14 + 40);
    put32(out, 40);
    put32(out, img.width());
    put32(out, img.height());
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);  // BI_RGB
    put32(out, pixelBytes);
    put32(out, 3780);  // 96 dpi, the pixel size the layout is drawn for
    put32(out, 3780);
    put32(out, 0);
    put32(out, 0);
    for (int y = img.height() - 1; y >= 0; --y) {
        for (int x = 0; x < img.width(); ++x) {
            out.push_back(img.b8(x, y));
            out.push_back(img.g8(x, y));
            out.push_back(img.r8(x, y));
        }
        for (int p = img.width() * 3; p < stride; ++p) out.push_back(0);
    }
    return out;
}

Bytes ico(const std::vector<Image>& images) {
    std::vector<Bytes> blobs;
    std::vector<int> bits;
    for (const Image& img : images) {
        blobs.push_back(iconImage8(img));
        bits.push_back(8);
    }
    for (const Image& img : images) {
        blobs.push_back(iconImage32(img));
        bits.push_back(32);
    }
    Bytes out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, unsigned(blobs.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(blobs.size());
    for (std::size_t i = 0; i < blobs.size(); ++i) {
        const Image& img = images[i % images.size()];
        out.push_back(std::uint8_t(img.width() >= 256 ? 0 : img.width()));
        out.push_back(std::uint8_t(img.height() >= 256 ? 0 : img.height()));
        out.push_back(0);  // 0: 256 colours or more
        out.push_back(0);
        put16(out, 1);
        put16(out, bits[i]);
        put32(out, std::uint32_t(blobs[i].size()));
        put32(out, offset);
        offset += std::uint32_t(blobs[i].size());
    }
    for (const Bytes& b : blobs) out.insert(out.end(), b.begin(), b.end());
    return out;
}

Palette quantize(const Image& img, int maxColours) {
    Palette p;
    std::vector<Entry> entries = histogram(img, false);
    if (int(entries.size()) <= maxColours) {
        for (const Entry& e : entries)
            p.colours.push_back(rgb(component(e.colour, 0), component(e.colour, 1), component(e.colour, 2)));
    } else {
        p.colours = medianCut(std::move(entries), maxColours);
    }
    NearestColour nearest(p.colours);
    p.index.reserve(std::size_t(img.width()) * img.height());
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) p.index.push_back(nearest(key(img, x, y)));
    return p;
}

Bytes gif(const Image& img) {
    Palette p = quantize(img, 256);
    p.colours.resize(256, rgb(0, 0, 0));
    Bytes out{'G', 'I', 'F', '8', '9', 'a'};
    put16(out, img.width());
    put16(out, img.height());
    out.push_back(0xF7);  // global colour table of 256 entries, 8-bit colour resolution
    out.push_back(0);     // background colour index
    out.push_back(0);     // no aspect ratio
    for (const Colour& c : p.colours) {
        out.push_back(std::uint8_t(c.r));
        out.push_back(std::uint8_t(c.g));
        out.push_back(std::uint8_t(c.b));
    }
    out.push_back(0x2C);  // image descriptor
    put16(out, 0);
    put16(out, 0);
    put16(out, img.width());
    put16(out, img.height());
    out.push_back(0);  // no local table, not interlaced
    out.push_back(8);  // minimum code size
    lzw(out, p.index);
    out.push_back(0x3B);
    return out;
}

Bytes jpeg(const Image& img, int quality) {
    const std::array<int, 64> order = zigzag();
    const std::array<int, 64> quant[2] = {scaledQuant(kLumaQuant, quality), scaledQuant(kChromaQuant, quality)};
    const Huffman dc = dcTable(), ac = acTable();

    Bytes out{0xFF, 0xD8};
    // JFIF header
    out.insert(out.end(), {0xFF, 0xE0});
    put16be(out, 16);
    out.insert(out.end(), {'J', 'F', 'I', 'F', 0, 1, 1, 1});  // density in dots per inch:
    put16be(out, 96);                                          // 96, as for the bitmaps
    put16be(out, 96);
    out.insert(out.end(), {0, 0});
    // Quantisation tables, in zig-zag order
    out.insert(out.end(), {0xFF, 0xDB});
    put16be(out, 2 + 2 * 65);
    for (int t = 0; t < 2; ++t) {
        out.push_back(std::uint8_t(t));
        for (int i = 0; i < 64; ++i) out.push_back(std::uint8_t(quant[t][order[i]]));
    }
    // Frame: 8-bit, three components, no subsampling
    out.insert(out.end(), {0xFF, 0xC0});
    put16be(out, 17);
    out.push_back(8);
    put16be(out, img.height());
    put16be(out, img.width());
    out.push_back(3);
    for (int c = 0; c < 3; ++c) out.insert(out.end(), {std::uint8_t(c + 1), 0x11, std::uint8_t(c ? 1 : 0)});
    // The same Huffman tables serve luminance and chrominance.
    out.insert(out.end(), {0xFF, 0xC4});
    put16be(out, unsigned(2 + 17 + dc.symbols.size() + 17 + ac.symbols.size()));
    putHuffmanTable(out, 0, 0, dc);
    putHuffmanTable(out, 1, 0, ac);
    // Scan
    out.insert(out.end(), {0xFF, 0xDA});
    put16be(out, 12);
    out.push_back(3);
    for (int c = 0; c < 3; ++c) out.insert(out.end(), {std::uint8_t(c + 1), 0x00});
    out.insert(out.end(), {0, 63, 0});

    float cosines[8][8];
    for (int x = 0; x < 8; ++x)
        for (int u = 0; u < 8; ++u) cosines[x][u] = std::cos((2 * x + 1) * u * 3.14159265358979f / 16);

    BitWriter bw(out);
    int previousDc[3] = {0, 0, 0};
    for (int by = 0; by < img.height(); by += 8)
        for (int bx = 0; bx < img.width(); bx += 8) {
            float block[3][8][8];
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    const int sx = std::min(bx + x, img.width() - 1), sy = std::min(by + y, img.height() - 1);
                    const float r = img.r8(sx, sy), g = img.g8(sx, sy), b = img.b8(sx, sy);
                    block[0][y][x] = 0.299f * r + 0.587f * g + 0.114f * b - 128;
                    block[1][y][x] = -0.168736f * r - 0.331264f * g + 0.5f * b;
                    block[2][y][x] = 0.5f * r - 0.418688f * g - 0.081312f * b;
                }
            for (int c = 0; c < 3; ++c) {
                int coeff[64];
                for (int v = 0; v < 8; ++v)
                    for (int u = 0; u < 8; ++u) {
                        float sum = 0;
                        for (int y = 0; y < 8; ++y)
                            for (int x = 0; x < 8; ++x) sum += block[c][y][x] * cosines[x][u] * cosines[y][v];
                        const float cu = u ? 1.0f : 0.70710678f, cv = v ? 1.0f : 0.70710678f;
                        const float value = sum * cu * cv / 4;
                        coeff[v * 8 + u] = int(std::lround(value / float(quant[c ? 1 : 0][v * 8 + u])));
                    }
                const int diff = coeff[0] - previousDc[c];
                previousDc[c] = coeff[0];
                int size = magnitude(diff);
                bw.bits(dc.code[size], dc.length);
                if (size) bw.bits(unsigned(diff < 0 ? diff - 1 : diff) & ((1u << size) - 1), size);
                int zeros = 0;
                for (int i = 1; i < 64; ++i) {
                    const int v = coeff[order[i]];
                    if (v == 0) {
                        ++zeros;
                        continue;
                    }
                    while (zeros >= 16) {
                        bw.bits(ac.code[0xF0], ac.length);
                        zeros -= 16;
                    }
                    size = magnitude(v);
                    bw.bits(ac.code[zeros << 4 | size], ac.length);
                    bw.bits(unsigned(v < 0 ? v - 1 : v) & ((1u << size) - 1), size);
                    zeros = 0;
                }
                if (zeros) bw.bits(ac.code[0x00], ac.length);
            }
        }
    bw.pad();
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

void save(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace art
