// The button's painter: every face of every style, drawn from scratch on each
// paint with the canvas primitives.
#include <algorithm>
#include <cmath>

#include "controls/Command.h"
#include "controls/ColourParts.h"

namespace controls {

using platform::Rgb;

namespace {


// Real to integer: nearest, halves to even. A value that is no number or
// lies far off the surface (what a zero or negative divisor leaves behind)
// is pinned, so it can never become undefined behaviour.
int CInt(double v) {
    if (std::isnan(v)) return 0;
    v = std::clamp(v, -1.0e9, 1.0e9);
    return static_cast<int>(std::nearbyint(v));
}

// Any channel above 255 counts as 255, any below 0 as 0.
Colour RgbClamped(int r, int g, int b) {
    return Rgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
}

// A zero divisor gives a zero step: the painters then draw flat bands
// where they would otherwise have divided by zero.
float Step(float numerator, double divisor) {
    return divisor == 0.0 ? 0.0f : static_cast<float>(numerator / divisor);
}

}  // namespace

bool Command::Marked() const { return showFocusRect_ && (host_.DisplayAsDefault() || hasFocus_); }

void Command::PaintButton(std::uint8_t state, bool force) {
    if (!force && caption_ == lastCaption_ && state == drawState_) return;
    if (h_ == 0) return;
    drawState_ = state;
    lastCaption_ = caption_;
    if (host_.HighContrast()) {
        PaintHighContrast(state);
        host_.Invalidate();
        return;
    }

    FillBox(0, 0, w_, h_, faceColor_);
    if (!enabled_) {
        switch (buttonType_) {
        case kXpStyle: PaintXpDisabled(); break;
        case kClassicStyle: PaintClassicDisabled(); break;
        case kGradientStyle: PaintGradientDisabled(); break;
        case kGlossyStyle: PaintGlossyDisabled(); break;
        case kOfficeXpStyle: PaintOfficeXpDisabled(); break;
        default: break;
        }
        host_.Invalidate();
        return;
    }
    canvas_.SetTextColour(textColor_);
    if (state == kStateUp) {
        switch (buttonType_) {
        case kXpStyle: PaintXpUp(); break;
        case kClassicStyle: PaintClassicUp(); break;
        case kGradientStyle: PaintGradientUp(); break;
        case kGlossyStyle: PaintGlossyUp(); break;
        case kOfficeXpStyle: PaintOfficeXpUp(); break;
        default: DrawCaptionUp(textColor_); break;
        }
    } else if (state == kStateDown) {
        switch (buttonType_) {
        case kXpStyle: PaintXpDown(); break;
        case kClassicStyle: PaintClassicDown(); break;
        case kGradientStyle: PaintGradientDown(); break;
        case kGlossyStyle: PaintGlossyDown(); break;
        case kOfficeXpStyle: PaintOfficeXpDown(); break;
        default: break;
        }
    }
    host_.Invalidate();
}

ButtonShape Command::BuildRegion() const {
    ButtonShape shape{w_, h_, {}};
    // The rounded styles lose three pixels at each corner; 8 and 9 share
    // the shape although they have no face of their own.
    if (buttonType_ == 3 || buttonType_ == 4 || buttonType_ == 8 || buttonType_ == 9) {
        const int w = w_, h = h_;
        shape.removed = {{0, 0},         {1, 0},         {0, 1},         {w - 2, 0},     {w - 1, 0},     {w - 1, 1},
                         {0, h - 1},     {1, h - 1},     {0, h - 2},     {w - 2, h - 1}, {w - 1, h - 1}, {w - 1, h - 2}};
    }
    return shape;
}

// A high-contrast theme: a flat button in the system's colours alone, in
// every style. Face and text of a button; the focus in the selection's
// colours; a disabled caption greyed. A second line inside the frame shows
// the pointer over it or the button held down, and a held button's caption
// moves as on the other faces.
void Command::PaintHighContrast(std::uint8_t state) {
    enum { kSelection = 13, kSelectionText = 14, kFace = 15, kGreyText = 17, kText = 18 };
    const bool selected = enabled_ && hasFocus_;
    const Colour face = host_.SystemColour(selected ? kSelection : kFace);
    const Colour text = host_.SystemColour(!enabled_ ? kGreyText : selected ? kSelectionText : kText);
    FillBox(0, 0, w_, h_, face);
    FrameBox(0, 0, w_, h_, text);
    const bool down = enabled_ && state == kStateDown;
    if (enabled_ && (isHover_ || down)) FrameBox(1, 1, w_ - 2, h_ - 2, text);
    if (down)
        DrawCaptionDown(text);
    else
        DrawCaptionUp(text);
}

// --------------------------------------------------------------- primitives

void Command::DrawFocus() {
    canvas_.SetTextColour(textColor_);
    canvas_.DrawFocus(focusRect_);
}

void Command::CornerFrame(Colour edge, Colour corner) {
    const int w = w_, h = h_;
    DrawLine(2, 0, w - 2, 0, edge);
    DrawLine(2, h - 1, w - 2, h - 1, edge);
    DrawLine(0, 2, 0, h - 2, edge);
    DrawLine(w - 1, 2, w - 1, h - 2, edge);
    SetDot(1, 1, corner);
    SetDot(1, h - 2, corner);
    SetDot(w - 2, 1, corner);
    SetDot(w - 2, h - 2, corner);
}

void Command::FadeGradient(int r, int g, int b, int from, int to, int step) {
    float ar = static_cast<float>(r), ag = static_cast<float>(g), ab = static_cast<float>(b);
    const double divisor = h_ - 5;
    const float sr = Step(static_cast<float>(255 - r), divisor);
    const float sg = Step(static_cast<float>(255 - g), divisor);
    const float sb = Step(static_cast<float>(255 - b), divisor);
    for (int row = from; step > 0 ? row <= to : row >= to; row += step) {
        ar = std::min(ar + sr, 255.0f);
        ag = std::min(ag + sg, 255.0f);
        ab = std::min(ab + sb, 255.0f);
        DrawLine(1, row, w_ - 1, row, RgbClamped(CInt(ar), CInt(ag), CInt(ab)));
    }
}

void Command::DrawCaptionUp(Colour c) {
    canvas_.SetTextColour(c);
    const platform::TextExtent size = canvas_.MeasureText(caption_);
    if (size.width <= w_) {
        canvas_.DrawCaption(caption_, textRect_, platform::kCaptionOneLine);
        return;
    }
    const int n = w_ > 0 ? CInt(size.width) / w_ : 0;
    textRect_.top = CInt(h_ - size.height * (n + 1)) / 2;
    canvas_.DrawCaption(caption_, textRect_, platform::kCaptionWrapped);
}

void Command::DrawCaptionDown(Colour c) {
    canvas_.SetTextColour(c);
    const platform::TextExtent size = canvas_.MeasureText(caption_);
    if (size.width <= w_) {
        canvas_.DrawCaption(caption_, downTextRect_, platform::kCaptionOneLine);
        return;
    }
    // The top the latest up face found, not a new measurement.
    downTextRect_.top = textRect_.top + 2;
    canvas_.DrawCaption(caption_, downTextRect_, platform::kCaptionWrapped);
}

void Command::HoverRing(Colour ring) {
    const int w = w_, h = h_;
    FrameBox(2, 1, w - 4, h - 2, ring);
    DrawLine(1, 2, 1, h - 2, ring);
    DrawLine(3, 2, w - 3, 2, ring);
    DrawLine(w - 2, 2, w - 2, h - 2, ring);
    DrawLine(3, h - 3, w - 3, h - 3, ring);
}

// ----------------------------------------------------------------- XP style

void Command::PaintXpUp() {
    const int w = w_, h = h_;
    if (colorScheme_ == 2 || colorScheme_ == 3) {
        const float k = 25.0f / static_cast<float>(h);
        const Colour base = ShadeColor(faceColor_, 48, true);
        for (int i = 1; i <= h - 2; ++i) DrawLine(0, i, w, i, ShadeColor(base, -CInt(k * static_cast<float>(i)), true));
    } else if (xpType_ == 1) {
        FadeGradient(198, 197, 215, h - 2, 1, -1);
    } else if (xpType_ == 2) {
        Colour c = Rgb(242, 237, 218);
        for (int i = h - 2; i >= 1; --i) {
            c = ShadeColor(c, 1, false);
            DrawLine(1, i, w - 2, i, c);
        }
    } else if (xpType_ == 3) {
        FadeGradient(236, 235, 230, h - 2, 1, -1);
    }

    CornerFrame(Rgb(0, 60, 115), Rgb(16, 77, 123));

    if (isHover_) {
        HoverRing(xpType_ == 2 ? Rgb(228, 144, 80) : rectColor_);
    } else if (Marked()) {
        if (xpType_ == 1 || xpType_ == 3 || xpType_ == 2) {
            const bool green = xpType_ == 2;
            auto pick = [&](Colour blue) { return green ? Rgb(122, 184, 98) : blue; };
            FrameBox(1, 2, w - 2, h - 4, pick(Rgb(140, 174, 231)));
            DrawLine(2, h - 2, w - 2, h - 2, pick(Rgb(107, 130, 239)));
            DrawLine(2, 1, w - 2, 1, pick(Rgb(206, 231, 255)));
            DrawLine(2, 2, w - 2, 2, pick(Rgb(189, 215, 247)));
            DrawLine(2, 3, 2, h - 3, pick(Rgb(181, 209, 240)));
            DrawLine(w - 3, 3, w - 3, h - 3, pick(Rgb(181, 209, 240)));
        }
        DrawFocus();
    }

    DrawCaptionUp(textColor_);
}

void Command::PaintXpDown() {
    const int w = w_, h = h_;
    if (xpType_ == 1) {
        FadeGradient(171, 170, 188, 1, h - 2, 1);
    } else if (xpType_ == 2) {
        const float k = 15.0f / static_cast<float>(h);
        const Colour base = ShadeColor(ShadeColor(faceColor_, 48, true), -32, true);
        for (int i = 1; i <= h; ++i) DrawLine(0, h - i, w, h - i, ShadeColor(base, -CInt(k * static_cast<float>(i)), true));
    } else if (xpType_ == 3) {
        FadeGradient(224, 224, 216, 1, h - 2, 1);
    }
    DrawCaptionDown(textColor_);
    CornerFrame(Rgb(0, 60, 115), Rgb(16, 77, 123));
    if (FocusShown()) DrawFocus();
}

void Command::PaintXpDisabled() {
    FillBox(0, 0, w_, h_, Rgb(244, 244, 234));
    DrawCaptionUp(Rgb(161, 162, 146));
    CornerFrame(Rgb(201, 199, 186), Rgb(201, 199, 186));
}

// ------------------------------------------------------------ classic style

void Command::ClassicBevel() {
    const int w = w_, h = h_;
    CornerFrame(darkShadowColor_, darkShadowColor_);
    SetDot(1, 2, faceColor_);
    SetDot(2, 1, faceColor_);
    DrawLine(3, 2, w - 3, 2, highlightColor_);
    DrawLine(2, 2, 2, h - 3, highlightColor_);
    SetDot(3, 3, highlightColor_);
    DrawLine(w - 3, 1, w - 3, h - 3, faceColor_);
    DrawLine(1, h - 3, w - 3, h - 3, faceColor_);
    SetDot(w - 4, h - 4, faceColor_);
    DrawLine(w - 2, 3, w - 2, h - 2, shadowColor_);
    DrawLine(3, h - 2, w - 2, h - 2, shadowColor_);
    SetDot(w - 3, h - 3, shadowColor_);
    SetDot(2, h - 2, faceColor_);
    SetDot(2, h - 3, lightColor_);
    SetDot(w - 2, 2, faceColor_);
    SetDot(w - 3, 2, lightColor_);
}

void Command::PaintClassicUp() {
    const int w = w_, h = h_;
    FillBox(1, 1, w - 2, h - 2, lightColor_);
    ClassicBevel();
    if (isHover_) {
        HoverRing(rectColor_);
    } else if (Marked()) {
        FrameBox(1, 2, w - 2, h - 4, Rgb(140, 174, 231));
        DrawLine(2, h - 2, w - 2, h - 2, Rgb(107, 130, 239));
        DrawLine(2, 1, w - 2, 1, Rgb(206, 231, 255));
        DrawLine(1, 2, w - 1, 2, Rgb(189, 215, 247));
        DrawLine(2, 3, 2, h - 3, Rgb(181, 209, 240));
        DrawLine(w - 3, 3, w - 3, h - 3, Rgb(181, 209, 240));
    }
    DrawCaptionUp(textColor_);
}

void Command::PaintClassicDown() {
    const int w = w_, h = h_;
    auto s = [&](int d) { return ShadeColor(shadowColor_, d, false); };
    FillBox(1, 1, w - 2, h - 2, s(-16));
    DrawLine(2, 0, w - 2, 0, darkShadowColor_);
    DrawLine(2, h - 1, w - 2, h - 1, darkShadowColor_);
    DrawLine(0, 2, 0, h - 2, darkShadowColor_);
    DrawLine(w - 1, 2, w - 1, h - 2, darkShadowColor_);
    FrameBox(1, 1, w - 2, h - 2, s(-64));
    FrameBox(2, 2, w - 4, h - 4, s(-32));
    SetDot(2, 2, s(-64));
    SetDot(3, 3, s(-32));
    SetDot(1, 1, darkShadowColor_);
    SetDot(1, h - 2, darkShadowColor_);
    SetDot(w - 2, 1, darkShadowColor_);
    SetDot(w - 2, h - 2, darkShadowColor_);
    DrawLine(w - 3, 1, w - 3, h - 3, shadowColor_);
    DrawLine(1, h - 3, w - 2, h - 3, shadowColor_);
    SetDot(w - 4, h - 4, shadowColor_);
    DrawLine(w - 2, 3, w - 2, h - 2, s(-16));
    DrawLine(3, h - 2, w - 2, h - 2, s(-16));
    SetDot(w - 2, h - 3, s(-32));
    SetDot(w - 3, h - 2, s(-32));
    SetDot(2, h - 2, s(-32));
    SetDot(2, h - 3, s(-16));
    SetDot(1, h - 3, s(-16));
    SetDot(w - 2, 2, s(-32));
    SetDot(w - 3, 2, s(-16));
    SetDot(w - 3, 1, s(-16));
    DrawCaptionDown(lightColor_);
}

void Command::PaintClassicDisabled() {
    FillBox(1, 1, w_ - 2, h_ - 2, lightColor_);
    // An engraved caption: a shadow copy that never wraps, then a highlight
    // copy one pixel right and down that does.
    canvas_.SetTextColour(shadowColor_);
    canvas_.DrawCaption(caption_, textRect_, platform::kCaptionOneLine);
    ClassicBevel();
    canvas_.SetTextColour(highlightColor_);
    const platform::TextExtent size = canvas_.MeasureText(caption_);
    if (size.width <= w_) {
        canvas_.DrawCaption(caption_, downTextRect_, platform::kCaptionOneLine);
    } else {
        const int n = w_ > 0 ? CInt(size.width) / w_ : 0;
        downTextRect_.top = CInt(h_ - size.height * (n + 1)) / 2 + 2;
        canvas_.DrawCaption(caption_, downTextRect_, platform::kCaptionWrapped);
    }
}

// ----------------------------------------------------------- gradient style

void Command::PaintGradientUp() {
    const Colour frame = colorScheme_ == 1 ? Rgb(183, 183, 183) : Rgb(1, 109, 1);
    PaintGradient(midColor_, frame, endColor_, percent_, false);
    if (isHover_) {
        const Colour hoverFrame = colorScheme_ == 1 ? Rgb(82, 134, 182) : Rgb(1, 109, 1);
        PaintGradient(mouseMoveMidColor_, hoverFrame, mouseMoveEndColor_, percent_, false);
    }
    if (Marked()) DrawFocus();
    DrawCaptionUp(textColor_);
}

void Command::PaintGradientDown() {
    if (colorScheme_ == 1)
        PaintGradient(mouseDownMidColor_, Rgb(203, 130, 62), mouseDownEndColor_, percent_, false);
    else
        PaintGradient(mouseDownMidColor_, Rgb(84, 157, 84), mouseDownEndColor_, percent_, true);
    DrawCaptionDown(textColor_);
    if (FocusShown()) DrawFocus();
}

void Command::PaintGradientDisabled() {
    FillBox(1, 1, w_ - 2, h_ - 2, Rgb(241, 242, 237));
    CornerFrame(Rgb(204, 204, 202), Rgb(204, 204, 202));
    DrawCaptionUp(Rgb(171, 168, 153));
}

void Command::PaintGradient(Colour mid, Colour frame, Colour end, int percent, bool flat) {
    const int w = w_, h = h_;
    if (flat) {
        FillBox(1, 1, w - 2, h - 2, mid);
        CornerFrame(frame, frame);
        return;
    }
    const double s = static_cast<double>(h * percent) / 100.0;
    const int mr = Red(mid), mg = Green(mid), mb = Blue(mid);
    const int er = Red(end), eg = Green(end), eb = Blue(end);
    auto colourOf = [](float r, float g, float b) { return RgbClamped(CInt(r), CInt(g), CInt(b)); };
    auto clampChannel = [](float v) { return std::clamp(v, 0.0f, 255.0f); };

    // Upper part: from about `end` at the top down to `mid` at row s.
    {
        const float sr = Step(static_cast<float>(er - mr), s - 1), sg = Step(static_cast<float>(eg - mg), s - 1),
                    sb = Step(static_cast<float>(eb - mb), s - 1);
        float ar = static_cast<float>(mr), ag = static_cast<float>(mg), ab = static_cast<float>(mb);
        for (int row = CInt(s); row >= 1; --row) {
            DrawLine(1, row, w - 1, row, colourOf(ar, ag, ab));
            ar = clampChannel(ar + sr);
            ag = clampChannel(ag + sg);
            ab = clampChannel(ab + sb);
        }
    }

    // The sheen of rows 1 and 2: white fading into `end`. A zero divisor
    // (narrow buttons) leaves that row as the gradient drew it.
    auto sheen = [&](int y, int last, int divisor) {
        if (divisor == 0) return;
        for (int i = 0; i <= last; ++i) {
            SetDot(i + 2, y,
                   RgbClamped(255 - (255 - er) * i / divisor, 255 - (255 - eg) * i / divisor, 255 - (255 - eb) * i / divisor));
        }
    };
    sheen(1, w - 4, w - 10);
    sheen(2, w - w / 3 - 2, w - (2 * w) / 3 - 2);

    DrawLine(1, CInt(s + 1), w - 1, CInt(s + 1), mid);
    DrawLine(1, CInt(s + 2), w - 1, CInt(s + 2), mid);

    // Lower part: from `mid` toward `end` again.
    {
        const double divisor = h - s - 4;
        const float sr = Step(static_cast<float>(er - mr), divisor), sg = Step(static_cast<float>(eg - mg), divisor),
                    sb = Step(static_cast<float>(eb - mb), divisor);
        float ar = static_cast<float>(mr), ag = static_cast<float>(mg), ab = static_cast<float>(mb);
        for (int row = CInt(s + 3); row <= h - 4; ++row) {
            DrawLine(1, row, w - 1, row, colourOf(ar, ag, ab));
            ar = clampChannel(ar + sr);
            ag = clampChannel(ag + sg);
            ab = clampChannel(ab + sb);
        }
    }

    if (h < 10) return;
    const Colour c = canvas_.Pixel(2, h - 10).value_or(0);
    DrawLine(1, h - 9, w - 1, h - 9, c);
    DrawLine(1, h - 8, w - 1, h - 8, c);
    DrawLine(1, CInt(s + 5), w - 1, CInt(s + 5), mid);
    DrawLine(1, h - 3, w - 2, h - 3, c);
    DrawLine(1, h - 2, w - 2, h - 2, c);
    CornerFrame(frame, frame);
}

// ------------------------------------------------------------- glossy style

void Command::PaintGlossyUp() {
    if (isHover_)
        PaintGlossy(mouseMoveMidColor_, Rgb(81, 107, 148), mouseMoveEndColor_, percent_);
    else
        PaintGlossy(midColor_, Rgb(81, 107, 148), endColor_, percent_);
    if (Marked()) DrawFocus();
    DrawCaptionUp(textColor_);
}

void Command::PaintGlossyDown() {
    PaintGlossy(mouseDownMidColor_, Rgb(81, 107, 148), mouseDownEndColor_, percent_);
    DrawCaptionDown(textColor_);
    if (FocusShown()) DrawFocus();
}

void Command::PaintGlossyDisabled() {
    PaintGlossy(Rgb(198, 218, 255), Rgb(128, 140, 162), Rgb(232, 242, 255), 53);
    DrawCaptionUp(Rgb(171, 168, 153));
}

void Command::PaintGlossy(Colour mid, Colour frame, Colour end, int percent) {
    const int w = w_, h = h_;
    const double s = static_cast<double>(h * percent) / 100.0;
    const int mr = Red(mid), mg = Green(mid), mb = Blue(mid);
    const int er = Red(end), eg = Green(end), eb = Blue(end);
    auto band = [&](int first, int last, int direction, int lift, double divisor) {
        const int sr = CInt(Step(static_cast<float>(er - mr), divisor));
        const int sg = CInt(Step(static_cast<float>(eg - mg), divisor));
        const int sb = CInt(Step(static_cast<float>(eb - mb), divisor));
        int ar = mr + lift, ag = mg + lift, ab = mb + lift;
        for (int row = first; direction > 0 ? row <= last : row >= last; row += direction) {
            DrawLine(1, row, w - 1, row, RgbClamped(ar, ag, ab));
            ar = std::clamp(ar + sr, 0, 255);
            ag = std::clamp(ag + sg, 0, 255);
            ab = std::clamp(ab + sb, 0, 255);
        }
    };
    band(CInt(s), 3, -1, 10, s - 1);
    for (int row = CInt(s + 1); row <= CInt(s + 0.27 * h); ++row) DrawLine(1, row, w - 1, row, mid);
    band(CInt(static_cast<double>((percent + 27) * h) / 100.0), h - 4, 1, 5, h - s - 4);
    FrameBox(1, 1, w - 2, h - 2, Rgb(211, 229, 255));
    FrameBox(2, 2, w - 4, h - 4, Rgb(201, 216, 255));
    DrawLine(1, h - 3, w - 1, h - 3, Rgb(207, 234, 255));
    CornerFrame(frame, frame);
}

// ---------------------------------------------------------- Office XP style

void Command::PaintOfficeXpUp() {
    if (isHover_) {
        FrameBox(0, 0, w_, h_, officeXpMousemoveFrameColor_);
        FillBox(1, 1, w_ - 2, h_ - 2, officeXpMousemoveFillColor_);
    } else {
        FrameBox(0, 0, w_, h_, officeXpFrameColor_);
        FillBox(1, 1, w_ - 2, h_ - 2, officeXpFillColor_);
    }
    // This style shows no default-button mark.
    if (FocusShown()) DrawFocus();
    DrawCaptionUp(textColor_);
}

void Command::PaintOfficeXpDown() {
    FrameBox(0, 0, w_, h_, officeXpMousemoveFrameColor_);
    const Colour fill = colorScheme_ == 3
                            ? ShadeColorLimited(officeXpMousemoveFillColor_, -40, -30, -15, Rgb(250, 250, 250))
                            : ShadeColorLimited(officeXpMousemoveFillColor_, -30, -30, -60, Rgb(250, 250, 250));
    FillBox(1, 1, w_ - 2, h_ - 2, fill);
    DrawCaptionDown(textColor_);
    if (FocusShown()) DrawFocus();
}

void Command::PaintOfficeXpDisabled() {
    Colour caption;
    if (colorScheme_ == 3) {
        FrameBox(0, 0, w_, h_, officeXpFrameColor_);
        FillBox(1, 1, w_ - 2, h_ - 2, officeXpFillColor_);
        caption = officeXpFrameColor_;
    } else {
        FrameBox(0, 0, w_, h_, Rgb(188, 188, 64));
        FillBox(1, 1, w_ - 2, h_ - 2, Rgb(238, 239, 208));
        caption = Rgb(188, 188, 64);
    }
    DrawCaptionUp(caption);
}

}  // namespace controls
