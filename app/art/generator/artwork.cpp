// Draws every picture of the program and writes them into the folder given
// on the command line: the frame bitmaps and the icon that varnholt.rc
// embeds, and the three background pictures that ship beside the exe.
//
// The backgrounds are laid out around the windows' controls: the navigation
// column on the left (x 0..206) with the page title, the caption band at the
// top (the caption strip bitmap sits at 32,0), dark blue under the rows with
// white text and white under the check boxes and dark text. The home page
// background is a JPEG and the pages' one a GIF, so that the program's
// loader, which decides by content, sees more than bitmaps.

#include <cmath>
#include <cstdio>
#include <exception>
#include <string>

#include "canvas.hpp"
#include "font.hpp"
#include "formats.hpp"

using namespace art;

namespace {

constexpr int kWidth = 786, kHeight = 557;
constexpr int kCaptionHeight = 25;
constexpr int kColumnRight = 207;  // the navigation column is x 0..206

// The house colours.
constexpr Colour kCaptionLine = rgb(58, 63, 71);
constexpr Colour kCaptionTop = rgb(248, 249, 250);
constexpr Colour kCaptionBottom = rgb(214, 217, 222);
constexpr Colour kColumnTop = rgb(64, 72, 84);
constexpr Colour kColumnBottom = rgb(42, 47, 56);
constexpr Colour kBandTop = rgb(33, 96, 168);
constexpr Colour kBandBottom = rgb(22, 70, 128);
constexpr Colour kAccent = rgb(240, 130, 30);
constexpr Colour kPanel = rgb(255, 255, 255);
constexpr Colour kPanelGrey = rgb(236, 240, 245);
constexpr Colour kWhite = rgb(255, 255, 255);
constexpr Colour kBlueLight = rgb(84, 148, 228);
constexpr Colour kBlueDark = rgb(30, 88, 164);
constexpr Colour kRedLight = rgb(232, 96, 80);
constexpr Colour kRedDark = rgb(184, 48, 38);
constexpr Colour kNavGreyTop = rgb(104, 112, 124);
constexpr Colour kNavGreyBottom = rgb(86, 93, 104);
constexpr Colour kNavHoverTop = rgb(124, 133, 146);
constexpr Colour kNavHoverBottom = rgb(103, 111, 123);
constexpr Colour kNavOrangeTop = rgb(244, 146, 52);
constexpr Colour kNavOrangeBottom = rgb(218, 108, 16);

// Where the frame pictures stand in the windows.
constexpr int kMinX = 720, kExitX = 752, kTileY = 6, kTileW = 28, kTileH = 15;
constexpr int kNavX = 7, kNavW = 199, kNavH = 36;
constexpr int kNavTop[4] = {134, 169, 204, 239};

std::string g_out;

void write(const std::string& name, const Bytes& bytes) { save(g_out + "/" + name, bytes); }

// ---- frame ---------------------------------------------------------------

// The caption band: a dark line over a light grey gradient. The strip
// bitmaps and the top of every background are cut from the same drawing, so
// the strip joins the background without a seam.
void drawCaptionBand(Image& img, int x0, int x1) {
    fillRect(img, x0, 0, x1, 1, solid(kCaptionLine));
    fillRect(img, x0, 1, x1, kCaptionHeight - 1, vertical(1, kCaptionTop, kCaptionHeight - 1, kCaptionBottom));
    fillRect(img, x0, kCaptionHeight - 1, x1, kCaptionHeight, solid(rgb(190, 195, 202)));
}

Image captionStrip(int width) {
    Image img(width, kCaptionHeight);
    drawCaptionBand(img, 0, width);
    return img;
}

enum class Face { Normal, Hover, Pressed };

void drawTile(Image& img, Colour light, Colour dark, Face face) {
    const float w = float(img.width()), h = float(img.height());
    Colour top = light, bottom = dark;
    if (face == Face::Hover) top = mix(light, kWhite, 0.25f), bottom = mix(dark, kWhite, 0.18f);
    if (face == Face::Pressed) top = mix(dark, rgb(0, 0, 0), 0.1f), bottom = mix(light, dark, 0.5f);
    const Colour border = mix(dark, rgb(0, 0, 0), 0.35f);
    fill(img, roundRect(0.5f, 0.5f, w - 0.5f, h - 0.5f, 3.5f), solid(border));
    fill(img, roundRect(1.5f, 1.5f, w - 1.5f, h - 1.5f, 2.5f), vertical(1.5f, top, h - 1.5f, bottom));
    // a soft highlight on the upper half
    fill(img, roundRect(2, 2, w - 2, h / 2, 2), solid(withAlpha(kWhite, face == Face::Pressed ? 0.06f : 0.16f)));
}

Image minimiseTile(Face face) {
    Image img = captionStrip(kWidth).crop(kMinX, kTileY, kTileW, kTileH);
    drawTile(img, kBlueLight, kBlueDark, face);
    const float dy = face == Face::Pressed ? 1.0f : 0.0f;
    fill(img, roundRect(9, 9 + dy, 19, 11.2f + dy, 0.8f), solid(kWhite));
    return img;
}

Image closeTile(Face face) {
    Image img = captionStrip(kWidth).crop(kExitX, kTileY, kTileW, kTileH);
    drawTile(img, kRedLight, kRedDark, face);
    const float d = face == Face::Pressed ? 0.6f : 0.0f;
    fill(img, unite(segment({10.5f + d, 4 + d}, {17.5f + d, 11 + d}, 2.0f),
                    segment({17.5f + d, 4 + d}, {10.5f + d, 11 + d}, 2.0f)),
         solid(kWhite));
    return img;
}

// ---- navigation ------------------------------------------------------------

enum class Page { Scanner, Restore, Settings, Records };

void drawPageIcon(Image& img, Page page, float cx, float cy, const Paint& ink) {
    switch (page) {
    case Page::Scanner:  // magnifier
        fill(img, unite(ring(cx - 2, cy - 2, 5.5f, 2.2f), segment({cx + 2.2f, cy + 2.2f}, {cx + 7, cy + 7}, 3.0f)),
             ink);
        break;
    case Page::Restore: {  // an arrow turning back, counter-clockwise
        const float r = 6.5f, start = 150 * 3.14159f / 180;
        fill(img, polyline(arc(cx, cy, r, r, 150, -155), 2.2f), ink);
        const Point at{cx + r * std::cos(start), cy - r * std::sin(start)};
        const Point along{-std::sin(start), -std::cos(start)};  // direction of travel
        const Point side{along.y, -along.x};
        fill(img, polygon({{at.x + along.x * 3.8f, at.y + along.y * 3.8f},
                           {at.x - along.x * 1.2f + side.x * 3.6f, at.y - along.y * 1.2f + side.y * 3.6f},
                           {at.x - along.x * 1.2f - side.x * 3.6f, at.y - along.y * 1.2f - side.y * 3.6f}}),
             ink);
        break;
    }
    case Page::Settings: {  // gear
        Shape gear = circle(cx, cy, 5.6f);
        for (int i = 0; i < 8; ++i) {
            const float a = i * 3.14159f / 4;
            const float dx = std::cos(a), dy = std::sin(a);
            gear = unite(gear, segment({cx + dx * 4, cy + dy * 4}, {cx + dx * 7, cy + dy * 7}, 2.8f));
        }
        fill(img, subtract(gear, circle(cx, cy, 2.4f)), ink);
        break;
    }
    case Page::Records:  // bar chart on a base line
        fill(img, roundRect(cx - 7, cy + 1, cx - 3, cy + 7, 0.8f), ink);
        fill(img, roundRect(cx - 2, cy - 6, cx + 2, cy + 7, 0.8f), ink);
        fill(img, roundRect(cx + 3, cy - 2, cx + 7, cy + 7, 0.8f), ink);
        break;
    }
}

const char* pageName(Page p) {
    switch (p) {
    case Page::Scanner: return "Scan";
    case Page::Restore: return "Restore";
    case Page::Settings: return "Settings";
    case Page::Records: return "Records";
    }
    return "";
}

Image navigation(Page page, Face face) {
    Image img(kNavW, kNavH);
    Colour top = kNavGreyTop, bottom = kNavGreyBottom;
    if (face == Face::Hover) top = kNavHoverTop, bottom = kNavHoverBottom;
    if (face == Face::Pressed) top = kNavOrangeTop, bottom = kNavOrangeBottom;
    fillRect(img, 0, 0, kNavW, kNavH, vertical(0, top, kNavH, bottom));
    fillRect(img, 0, 0, kNavW, 1, solid(withAlpha(kWhite, 0.22f)));
    fillRect(img, 0, kNavH - 1, kNavW, kNavH, solid(withAlpha(rgb(0, 0, 0), 0.28f)));
    if (face == Face::Pressed) fillRect(img, 0, 1, 4, kNavH - 1, solid(rgb(255, 214, 150)));

    drawPageIcon(img, page, 25, 18, solid(kWhite));
    const TextStyle style{1.15f, 1.75f, 1.6f};
    text(img, pageName(page), 46, 23.6f, style, solid(kWhite));

    if (face != Face::Normal) {
        const float cx = kNavW - 19.5f, cy = 18;
        const Colour ink = face == Face::Pressed ? kNavOrangeBottom : kNavHoverBottom;
        fill(img, circle(cx, cy, 7.5f), solid(kWhite));
        if (face == Face::Hover)
            fill(img, polygon({{cx - 2.2f, cy - 4}, {cx + 3.8f, cy}, {cx - 2.2f, cy + 4}}), solid(ink));
        else
            fill(img, polygon({{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 3.8f}}), solid(ink));
    }
    return img;
}

// ---- icon and question mark ----------------------------------------------------

// A blue rounded square with a white magnifier, at any size.
Image appIcon(int size) {
    const float s = float(size);
    Image img(size, size);
    const float r = s * 0.2f;
    const float edge = s >= 32 ? 1.0f : 0.0f;
    fill(img, roundRect(0.5f, 0.5f, s - 0.5f, s - 0.5f, r), solid(rgb(20, 62, 120)));
    fill(img, roundRect(0.5f + edge, 0.5f + edge, s - 0.5f - edge, s - 0.5f - edge, r - edge),
         vertical(0, kBlueLight, s, kBlueDark));
    if (s >= 32)
        fill(img, roundRect(2, 2, s - 2, s * 0.48f, r - 1.5f), solid(withAlpha(kWhite, 0.13f)));
    const float lens = s * 0.215f, cx = s * 0.43f, cy = s * 0.43f;
    const float stroke = std::max(1.6f, s * 0.085f);
    fill(img, ring(cx, cy, lens, stroke), solid(kWhite));
    fill(img, segment({cx + lens * 0.75f, cy + lens * 0.75f}, {s * 0.77f, s * 0.77f}, std::max(2.2f, s * 0.13f)),
         solid(kWhite));
    // an orange tick inside the lens for the larger sizes
    if (s >= 32)
        fill(img, polyline({{cx - lens * 0.5f, cy}, {cx - lens * 0.1f, cy + lens * 0.42f}, {cx + lens * 0.55f, cy - lens * 0.45f}},
                           s * 0.065f),
             solid(kAccent));
    return img;
}

Image questionMark(Colour background) {
    Image img(55, 55, background);
    const float c = 27.5f;
    fill(img, circle(c, c + 0.8f, 26), solid(withAlpha(rgb(0, 0, 0), 0.12f)));  // soft shadow
    fill(img, circle(c, c, 25.5f), solid(rgb(24, 74, 140)));
    fill(img, circle(c, c, 24.3f), vertical(3, rgb(104, 166, 238), 52, rgb(30, 92, 172)));
    fill(img, intersect(circle(c, c, 23), circle(c, c - 14, 22)), solid(withAlpha(kWhite, 0.18f)));
    std::vector<Point> hook = arc(c, 20.5f, 7.2f, 7.0f, 165, -50);
    hook.push_back({c, 31});
    hook.push_back({c, 33.5f});
    fill(img, polyline(hook, 4.6f), solid(kWhite));
    fill(img, circle(c, 40.5f, 2.9f), solid(kWhite));
    return img;
}

// ---- backgrounds ------------------------------------------------------------------

// Faint concentric rings: the decoration of the blue bands.
void drawRings(Image& img, float cx, float cy, int x0, int y0, int x1, int y1) {
    for (int i = 0; i < 5; ++i)
        fill(img, ring(cx, cy, 30.0f + i * 26, 10 - i), solid(withAlpha(kWhite, 0.055f)), x0, y0, x1, y1);
}

void drawBand(Image& img, int x0, int y0, int x1, int y1) {
    fillRect(img, x0, y0, x1, y1, vertical(float(y0), kBandTop, float(y1), kBandBottom));
    drawRings(img, float(x1 - 70), float(y0 + (y1 - y0) * 0.45f), x0, y0, x1, y1);
    fillRect(img, x0, y1, x1, y1 + 2, solid(kAccent));  // orange rule under the band
}

// The window icon, small, left of the caption strip.
void drawCaptionIcon(Image& img) { img.paste(appIcon(16), 9, 5); }

// Navigation column: brand at the top, the page title below it, then the
// navigation pictures (drawn by the program over this).
void drawColumn(Image& img) {
    fillRect(img, 0, kCaptionHeight, kColumnRight, kHeight,
             vertical(kCaptionHeight, kColumnTop, kHeight, kColumnBottom));
    fillRect(img, kColumnRight - 1, kCaptionHeight, kColumnRight, kHeight, solid(rgb(30, 34, 40)));
    img.paste(appIcon(32), 14, 40);
    text(img, "Varnholt", 56, 66, TextStyle{1.55f, 1.7f, 1.6f}, solid(kWhite));
    fillRect(img, 14, 90, kColumnRight - 14, 91, solid(withAlpha(kWhite, 0.14f)));
    // the page title (white text) stands at 48,112; a slim marker leads to it
    fill(img, roundRect(30, 113, 36, 125, 2), solid(kAccent));
    // quiet rings at the foot of the column
    for (int i = 0; i < 4; ++i)
        fill(img, ring(30, kHeight + 20, 60.0f + i * 34, 8 - i), solid(withAlpha(kWhite, 0.035f)), 0,
             kCaptionHeight, kColumnRight - 1, kHeight);
}

Image background(int bandBottom) {
    Image img(kWidth, kHeight, kPanel);
    drawCaptionBand(img, 0, kWidth);
    drawCaptionIcon(img);
    drawColumn(img);
    drawBand(img, kColumnRight, kCaptionHeight, kWidth, bandBottom);
    // a light footer line above the version text
    fillRect(img, kColumnRight + 24, 526, kWidth - 24, 527, solid(rgb(226, 230, 236)));
    return img;
}

// Home page: white text "Your PC will be scanned..." at 256,160 on the band;
// check boxes from y 208, "Select All", "Scan now", the question mark and
// the description on white.
Image homeBackground() {
    Image img = background(192);
    // a large pale magnifier over the rings of the band
    fill(img, unite(ring(690, 98, 34, 9), segment({716, 124}, {748, 156}, 14)), solid(withAlpha(kWhite, 0.16f)),
         kColumnRight, kCaptionHeight, kWidth, 192);
    return img;
}

// Backup, settings and records pages: their controls start at y 143.
Image pagesBackground() {
    Image img = background(128);
    // the same three tiles as the navigation icons, pale on the band
    drawPageIcon(img, Page::Restore, 630, 76, solid(withAlpha(kWhite, 0.16f)));
    drawPageIcon(img, Page::Settings, 672, 76, solid(withAlpha(kWhite, 0.16f)));
    drawPageIcon(img, Page::Records, 714, 76, solid(withAlpha(kWhite, 0.16f)));
    return img;
}

// Scan window: no navigation column. Errors and Fixed (black) at 632..,56
// and 80 on a white card; "Now scanning:" (black) at 24,112 on grey; the
// current key (white) from 128,112 on a dark blue field; list from 15,143;
// buttons at y 480.
Image scanBackground() {
    Image img(kWidth, kHeight, kPanelGrey);
    drawCaptionBand(img, 0, kWidth);
    drawCaptionIcon(img);
    const int bandBottom = 100;
    fillRect(img, 0, kCaptionHeight, kWidth, bandBottom,
             vertical(kCaptionHeight, kBandTop, bandBottom, kBandBottom));
    drawRings(img, 470, 62, 0, kCaptionHeight, kWidth, bandBottom);
    fillRect(img, 0, bandBottom, kWidth, bandBottom + 2, solid(kAccent));
    img.paste(appIcon(48), 22, 38);
    text(img, "Varnholt", 84, 72, TextStyle{2.2f, 1.6f, 1.6f}, solid(kWhite));
    // the results card
    fill(img, roundRect(618, 42, 778, 99, 6), solid(withAlpha(rgb(0, 0, 0), 0.18f)));
    fill(img, roundRect(618, 40, 778, 97, 6), solid(kPanel));
    // the current key field
    fill(img, roundRect(124, 107, 773, 133, 5), solid(rgb(16, 52, 98)));
    fill(img, roundRect(125, 108, 772, 132, 4), vertical(108, kBandBottom, 132, rgb(28, 82, 148)));
    // white well behind the list and its frame
    fill(img, roundRect(9, 138, 777, 471, 4), solid(kPanel));
    fill(img, subtract(roundRect(9, 138, 777, 471, 4), roundRect(10, 139, 776, 470, 3)),
         solid(rgb(208, 214, 222)));
    // button row
    fillRect(img, 0, 472, kWidth, kHeight, vertical(472, kPanelGrey, kHeight, rgb(222, 227, 234)));
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output-folder\n", argv[0]);
        return 2;
    }
    g_out = argv[1];
    try {
        write("caption_page.bmp", bmp24(captionStrip(681)));
        write("caption_scan.bmp", bmp24(captionStrip(700)));
        const Face faces[3] = {Face::Normal, Face::Hover, Face::Pressed};
        const char* pageFile[4] = {"scanner", "restore", "settings", "records"};
        for (int i = 0; i < 3; ++i) {
            write("min_" + std::to_string(i) + ".bmp", bmp24(minimiseTile(faces[i])));
            write("exit_" + std::to_string(i) + ".bmp", bmp24(closeTile(faces[i])));
            for (int p = 0; p < 4; ++p)
                write("nav_" + std::string(pageFile[p]) + "_" + std::to_string(i) + ".bmp",
                      bmp24(navigation(Page(p), faces[i])));
        }
        write("question.bmp", bmp24(questionMark(kPanel)));
        write("varnholt.ico", ico({appIcon(48), appIcon(32), appIcon(16)}));
        write("bgmain.dll", jpeg(homeBackground(), 92));
        write("bgother.dll", gif(pagesBackground()));
        write("bgscan.dll", bmp24(scanBackground()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artwork: %s\n", e.what());
        return 1;
    }
    return 0;
}
