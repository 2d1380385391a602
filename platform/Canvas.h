#pragma once
// The drawing surface of a self-drawn control: a persistent image of the
// control's client area and the handful of plain operations the button's
// painter is built from. Coordinates are pixels from the top-left; a box's
// right column and bottom row lie outside it, as in GDI.
#include <optional>
#include <string>

#include "platform/Ui.h"

namespace platform {

struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const Box&, const Box&) = default;
};

struct Font {
    std::string face = "Verdana";
    double points = 9.0;
    bool bold = false;
    bool italic = false;
    friend bool operator==(const Font&, const Font&) = default;
};

struct TextExtent {
    double width = 0;
    double height = 0;
};

// DrawTextA flags the caption layouts use.
constexpr unsigned kCaptionCentre = 0x1;       // DT_CENTER
constexpr unsigned kCaptionVCentre = 0x4;      // DT_VCENTER
constexpr unsigned kCaptionWordBreak = 0x10;   // DT_WORDBREAK
constexpr unsigned kCaptionSingleLine = 0x20;  // DT_SINGLELINE
constexpr unsigned kCaptionExpandTabs = 0x40;  // DT_EXPANDTABS
constexpr unsigned kCaptionOneLine = kCaptionCentre | kCaptionVCentre | kCaptionSingleLine | kCaptionExpandTabs;  // 101
constexpr unsigned kCaptionWrapped = kCaptionCentre | kCaptionWordBreak;  // 17

class Canvas {
public:
    virtual ~Canvas() = default;

    // Gives the surface a new size; what it held before is undefined after.
    virtual void Resize(int width, int height) = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    // The box x, y, x+w, y+h filled with c.
    virtual void FillBox(int x, int y, int w, int h, Colour c) = 0;
    // The one-pixel outline of the box x, y, x+w, y+h; an empty box draws nothing.
    virtual void FrameBox(int x, int y, int w, int h, Colour c) = 0;
    // A one-pixel solid line; the end point itself is not drawn.
    virtual void DrawLine(int x1, int y1, int x2, int y2, Colour c) = 0;
    virtual void SetDot(int x, int y, Colour c) = 0;
    // The system's dotted focus rectangle, drawn by inverting pixels (so a
    // second call over the same box takes it away again).
    virtual void DrawFocus(const Box& box) = 0;
    // The current pixel, or nothing when it cannot be read (off the surface).
    virtual std::optional<Colour> Pixel(int x, int y) const = 0;

    virtual void SetFont(const Font& font) = 0;
    virtual void SetTextColour(Colour c) = 0;
    // Width and height of the text as plain text: ampersands are counted.
    virtual TextExtent MeasureText(const std::string& text) = 0;
    // The text with a transparent background, ampersand processing on
    // (DrawTextA with these flags).
    virtual void DrawCaption(const std::string& text, const Box& box, unsigned flags) = 0;
};

}  // namespace platform
