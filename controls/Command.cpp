#include "controls/Command.h"
#include "controls/ColourParts.h"

#include <algorithm>
#include <cctype>

namespace controls {

using platform::Rgb;

namespace {

int Clamp255(int v) { return std::clamp(v, 0, 255); }

constexpr int kSysButtonFace = 15;
constexpr int kSysButtonShadow = 16;
constexpr int kSysButtonText = 18;
constexpr int kSysButtonHighlight = 20;
constexpr int kSysDarkShadow = 21;
constexpr int kSysLight = 22;

}  // namespace

Colour ShadeColor(Colour colour, int delta, bool relative) {
    int r = Red(colour) + delta;
    int g = Green(colour) + delta;
    int b = Blue(colour);
    // Integer division truncates toward zero, as the relative shift expects.
    b = relative ? b + (b * delta) / 192 : b + delta;
    return Rgb(Clamp255(r), Clamp255(g), Clamp255(b));
}

Colour ShadeColorLimited(Colour colour, int dR, int dG, int dB, Colour limit) {
    int r = std::clamp(Red(colour) + dR, 0, Red(limit));
    int g = std::clamp(Green(colour) + dG, 0, Green(limit));
    int b = std::clamp(Blue(colour) + dB, 0, Blue(limit));
    return Rgb(r, g, b);
}

std::string AccessKeyOf(const std::string& caption) {
    auto lower = [](char c) { return std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(c)))); };
    if (caption.size() < 2) return "";
    auto first = caption.find('&');
    if (first == std::string::npos || first + 1 >= caption.size()) return "";
    if (caption[first + 1] != '&') return lower(caption[first + 1]);
    // "&&" is a literal ampersand: look once more, past it.
    auto next = caption.find('&', first + 2);
    if (next == std::string::npos || next + 1 >= caption.size()) return "";
    if (caption[next + 1] != '&') return lower(caption[next + 1]);
    return "";
}

Command::Command(CommandHost& host, platform::Canvas& canvas) : host_(host), canvas_(canvas) {
    lastButton_ = 1;
    downTextRect_.left = 2;
    downTextRect_.top = 2;
    DeriveColors();
}

Command::~Command() { *alive_ = false; }

// ---------------------------------------------------------------- lifecycle

void Command::InitProperties() {
    backColor_ = host_.SystemColour(kSysButtonFace);
    foreColor_ = host_.SystemColour(kSysButtonText);
    percent_ = 16;
    midColor_ = Rgb(116, 200, 115);
    endColor_ = Rgb(215, 246, 215);
    mouseMoveMidColor_ = Rgb(53, 163, 51);
    mouseMoveEndColor_ = Rgb(245, 252, 244);
    mouseDownMidColor_ = Rgb(132, 208, 133);
    mouseDownEndColor_ = Rgb(0, 0, 0);
    officeXpFillColor_ = Rgb(222, 222, 160);
    officeXpFrameColor_ = Rgb(188, 188, 66);
    officeXpMousemoveFillColor_ = Rgb(220, 220, 186);
    officeXpMousemoveFrameColor_ = Rgb(127, 128, 1);
    enabled_ = true;
    // font_ stays what the surface already has.
    buttonType_ = kXpStyle;
    caption_ = host_.InstanceName();
    colorScheme_ = 1;
    xpType_ = 1;
    rectColor_ = Rgb(250, 195, 88);
    showFocusRect_ = true;
    drawState_ = kStateUp;
    storedHWnd_ = 0;
}

void Command::ReadProperties(const PropertyStore& store) {
    auto colour = [&](const char* name, Colour fallback) {
        return static_cast<Colour>(store.ReadInt(name, static_cast<std::int64_t>(fallback)));
    };
    auto int32 = [&](const char* name, std::int32_t fallback) {
        return static_cast<std::int32_t>(store.ReadInt(name, fallback));
    };
    backColor_ = colour("BackColor", host_.SystemColour(kSysButtonFace));
    foreColor_ = colour("ForeColor", host_.SystemColour(kSysButtonText));
    enabled_ = store.ReadBool("Enabled", true);
    font_ = store.ReadFont("Font", host_.AmbientFont());
    storedHWnd_ = int32("hWnd", 0);
    buttonType_ = int32("ButtonType", kXpStyle);
    xpType_ = int32("XpType", 1);
    caption_ = store.ReadText("Caption", kDefaultCaption);
    colorScheme_ = int32("ColorScheme", 1);
    showFocusRect_ = store.ReadBool("ShowFocusRect", true);

    host_.SetWindowEnabled(enabled_);
    canvas_.SetFont(font_);

    DeriveColors();
    UpdateAccessKey();

    rectColor_ = colour("rectcolor", Rgb(250, 195, 88));
    // Read without the setter's range check; a value beyond 16 bits is cut
    // to 16 bits rather than refused.
    percent_ = static_cast<std::int16_t>(std::clamp<std::int64_t>(store.ReadInt("Percent", 16), INT16_MIN, INT16_MAX));
    midColor_ = colour("MidColor", Rgb(116, 200, 115));
    endColor_ = colour("EndColor", Rgb(215, 246, 215));
    mouseMoveEndColor_ = colour("MouseMoveEndColor", Rgb(245, 252, 244));
    mouseMoveMidColor_ = colour("MouseMoveMidColor", Rgb(53, 163, 51));
    mouseDownEndColor_ = colour("MouseDownEndColor", Rgb(0, 0, 0));
    mouseDownMidColor_ = colour("MouseDownMidColor", Rgb(132, 208, 133));
    officeXpFillColor_ = colour("OfficeXpFillColor", Rgb(222, 222, 160));
    officeXpFrameColor_ = colour("OfficeXpFrameColor", Rgb(188, 188, 66));
    officeXpMousemoveFillColor_ = colour("OfficeXpMousemoveFillColor", Rgb(220, 220, 186));
    officeXpMousemoveFrameColor_ = colour("OfficeXpMousemoveFrameColor", Rgb(127, 128, 1));

    drawState_ = kStateUp;
    PaintButton(kStateUp, true);
}

void Command::WriteProperties(PropertyStore& store) const {
    auto colour = [&](const char* name, Colour value, Colour fallback) { store.WriteInt(name, value, fallback); };
    colour("BackColor", backColor_, host_.SystemColour(kSysButtonFace));
    colour("ForeColor", foreColor_, host_.SystemColour(kSysButtonText));
    store.WriteBool("Enabled", enabled_, true);
    store.WriteFont("Font", font_, host_.AmbientFont());
    store.WriteInt("hWnd", storedHWnd_, 0);
    store.WriteInt("ButtonType", buttonType_, kXpStyle);
    store.WriteInt("XpType", xpType_, 1);
    store.WriteText("Caption", caption_, kDefaultCaption);
    store.WriteInt("ColorScheme", colorScheme_, 1);
    store.WriteBool("ShowFocusRect", showFocusRect_, true);
    colour("rectcolor", rectColor_, Rgb(250, 195, 88));
    store.WriteInt("Percent", percent_, 16);
    colour("MidColor", midColor_, Rgb(116, 200, 115));
    colour("EndColor", endColor_, Rgb(215, 246, 215));
    colour("MouseMoveMidColor", mouseMoveMidColor_, Rgb(53, 163, 51));
    colour("MouseMoveEndColor", mouseMoveEndColor_, Rgb(245, 252, 244));
    colour("MouseDownMidColor", mouseDownMidColor_, Rgb(132, 208, 133));
    colour("MouseDownEndColor", mouseDownEndColor_, Rgb(0, 0, 0));
    colour("OfficeXpFillColor", officeXpFillColor_, Rgb(222, 222, 160));
    colour("OfficeXpFrameColor", officeXpFrameColor_, Rgb(188, 188, 66));
    colour("OfficeXpMousemoveFillColor", officeXpMousemoveFillColor_, Rgb(220, 220, 186));
    colour("OfficeXpMousemoveFrameColor", officeXpMousemoveFrameColor_, Rgb(127, 128, 1));
}

void Command::Resize(int width, int height) {
    // A host may report a negative size while a window collapses; treat it as empty.
    w_ = std::max(width, 0);
    h_ = std::max(height, 0);
    canvas_.Resize(w_, h_);
    ResizeHandling();
}

void Command::ResizeHandling() {
    textRect_.right = w_;
    textRect_.bottom = h_;
    downTextRect_.right = w_;
    downTextRect_.bottom = h_;
    focusRect_ = {2, 2, w_ - 2, h_ - 2};
    host_.ApplyShape(BuildRegion());
    Repaint();
}

void Command::AmbientChanged() { Repaint(); }

// --------------------------------------------------------------- properties

void Command::SetPlainColour(Colour& field, Colour c, const char* name) {
    field = c;
    Repaint();
    host_.PropertyChanged(name);
}

void Command::SetBackColor(Colour c) {
    backColor_ = c;
    DeriveColors();
    Repaint();
    host_.PropertyChanged("BackColor");
}

void Command::SetForeColor(Colour c) {
    foreColor_ = c;
    DeriveColors();
    Repaint();
    host_.PropertyChanged("ForeColor");
}

PropertyError Command::SetPercent(std::int16_t value) {
    percent_ = value;  // kept even when refused: it stays until the next setting
    if (value < 0 || value > 100) return PropertyError::InvalidPropertyValue;
    Repaint();
    host_.PropertyChanged("Percent");
    return PropertyError::None;
}

void Command::SetEnabled(bool on) {
    enabled_ = on;
    host_.SetWindowEnabled(on);
    ResizeHandling();
    host_.PropertyChanged("Enabled");
}

void Command::SetFont(const platform::Font& font) {
    font_ = font;
    canvas_.SetFont(font_);
    Repaint();
    host_.PropertyChanged("Font");
}

PropertyError Command::SetHWnd(std::intptr_t) {
    return host_.UserMode() ? PropertyError::CannotSetAtRunTime : PropertyError::CannotSetOnControl;
}

void Command::SetButtonType(std::int32_t value) {
    buttonType_ = value;
    DeriveColors();
    if (value == kGlossyStyle) ApplyGlossyPreset();
    ResizeHandling();
    host_.PropertyChanged("ButtonType");
}

void Command::ApplyGlossyPreset() {
    percent_ = 53;
    midColor_ = Rgb(124, 171, 255);
    endColor_ = Rgb(191, 211, 255);
    mouseMoveMidColor_ = Rgb(157, 203, 255);
    mouseMoveEndColor_ = Rgb(209, 231, 255);
    mouseDownMidColor_ = Rgb(100, 153, 255);
    mouseDownEndColor_ = Rgb(191, 211, 255);
}

void Command::SetCaption(const std::string& text) {
    caption_ = text;
    UpdateAccessKey();
    Repaint();
    host_.PropertyChanged("Caption");
}

void Command::SetColorScheme(std::int32_t value) {
    colorScheme_ = value;
    DeriveColors();
    Repaint();
    host_.PropertyChanged("ColorScheme");
}

void Command::SetXpType(std::int32_t value) {
    xpType_ = value;
    Repaint();
    host_.PropertyChanged("XpType");
}

void Command::Setrectcolor(Colour c) {
    rectColor_ = c;  // shows at the next paint
    host_.PropertyChanged("rectcolor");
}

void Command::SetShowFocusRect(bool on) {
    showFocusRect_ = on;
    Repaint();
    host_.PropertyChanged("ShowFocusRect");
}

void Command::DeriveColors() {
    switch (colorScheme_) {
    case 2:
        faceColor_ = backColor_;
        shadowColor_ = ShadeColor(backColor_, -64, false);
        lightColor_ = ShadeColor(faceColor_, 31, false);
        highlightColor_ = ShadeColor(faceColor_, 47, false);
        darkShadowColor_ = ShadeColor(faceColor_, -192, false);
        textColor_ = foreColor_;
        break;
    case 3:
        faceColor_ = Rgb(192, 192, 192);
        shadowColor_ = Rgb(128, 128, 128);
        lightColor_ = Rgb(223, 223, 223);
        highlightColor_ = Rgb(255, 255, 255);
        darkShadowColor_ = Rgb(0, 0, 0);
        textColor_ = Rgb(0, 0, 0);
        officeXpFillColor_ = Rgb(236, 233, 216);
        officeXpFrameColor_ = Rgb(172, 169, 154);
        officeXpMousemoveFillColor_ = Rgb(193, 210, 238);
        officeXpMousemoveFrameColor_ = Rgb(49, 105, 198);
        break;
    default:
        faceColor_ = host_.SystemColour(kSysButtonFace);
        shadowColor_ = host_.SystemColour(kSysButtonShadow);
        lightColor_ = host_.SystemColour(kSysLight);
        highlightColor_ = host_.SystemColour(kSysButtonHighlight);
        darkShadowColor_ = host_.SystemColour(kSysDarkShadow);
        textColor_ = foreColor_;
        if (buttonType_ == kGlossyStyle) {
            midColor_ = Rgb(197, 197, 197);
            endColor_ = Rgb(238, 238, 238);
            mouseMoveMidColor_ = Rgb(123, 167, 211);
            mouseMoveEndColor_ = Rgb(210, 245, 251);
            mouseDownMidColor_ = Rgb(227, 167, 105);
            mouseDownEndColor_ = Rgb(252, 220, 199);
        }
        break;
    }
}

void Command::UpdateAccessKey() {
    accessKey_ = AccessKeyOf(caption_);
    host_.SetAccessKeys(accessKey_);
}

// -------------------------------------------------------------------- input

bool Command::MouseDownSteps(std::int16_t button, std::int16_t shift, float x, float y) {
    lastButton_ = static_cast<std::uint8_t>(button);
    if (button != 2) drawState_ = kStateDown;
    PaintButton(drawState_, true);
    std::weak_ptr<bool> alive = alive_;
    if (MouseDown) MouseDown(button, shift, x, y);
    return !alive.expired() && *alive.lock();
}

bool Command::MouseUpSteps(std::int16_t button, std::int16_t shift, float x, float y) {
    if (button != 2) drawState_ = kStateUp;
    PaintButton(drawState_, true);
    std::weak_ptr<bool> alive = alive_;
    if (MouseUp) MouseUp(button, shift, x, y);
    return !alive.expired() && *alive.lock();
}

void Command::ClickSteps() {
    if (lastButton_ == 1) drawState_ = kStateUp;
    PaintButton(drawState_, true);
    host_.Refresh();
    if (Click) Click();  // last: the host may close the window from here
}

void Command::OnMouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
    if (!enabled_) return;
    MouseDownSteps(button, shift, x, y);
}

void Command::OnMouseUp(std::int16_t button, std::int16_t shift, float x, float y) {
    if (!enabled_) return;
    MouseUpSteps(button, shift, x, y);
}

void Command::OnMouseMove(std::int16_t button, std::int16_t shift, float x, float y) {
    if (!enabled_ || button >= 2 || button < 0) return;
    host_.SetHoverTimer(true);
    if (x < 0 || y < 0 || x > static_cast<float>(w_) || y > static_cast<float>(h_)) return;
    std::weak_ptr<bool> alive = alive_;
    if (MouseMove) MouseMove(button, shift, x, y);
    if (alive.expired() || !*alive.lock()) return;
    if (button == 1) {
        PaintButton(kStateDown, false);
    } else if (!isHover_) {
        isHover_ = true;
        PaintButton(kStateUp, true);
    }
}

void Command::OnClick() {
    if (!enabled_) return;
    ClickSteps();
}

void Command::OnDblClick() {
    if (!enabled_) return;
    if (lastButton_ == 1) MouseDownSteps(1, 1, 1.0f, 1.0f);
}

void Command::OnKeyDown(std::int16_t keyCode, std::int16_t shift) {
    if (!enabled_) return;
    std::weak_ptr<bool> alive = alive_;
    if (KeyDown) KeyDown(keyCode, shift);
    if (alive.expired() || !*alive.lock()) return;
    // A host may leave a code that fits no key; it then matches no key at
    // all, so a later space release cannot click.
    if (keyCode < 0 || keyCode > 255) {
        lastKey_ = 0;
        return;
    }
    lastKey_ = static_cast<std::uint8_t>(keyCode);
    switch (keyCode) {
    case 32: MouseDownSteps(1, 1, 1.0f, 1.0f); break;
    case 39:
    case 40: host_.SendTab(false); break;
    case 37:
    case 38: host_.SendTab(true); break;
    default: break;
    }
}

void Command::OnKeyPress(std::int16_t keyAscii) {
    if (!enabled_) return;
    if (KeyPress) KeyPress(keyAscii);
}

void Command::OnKeyUp(std::int16_t keyCode, std::int16_t shift) {
    if (!enabled_) return;
    std::weak_ptr<bool> alive = alive_;
    if (KeyUp) KeyUp(keyCode, shift);
    if (alive.expired() || !*alive.lock()) return;
    if (lastKey_ == 32 && keyCode == 32) {
        if (!MouseUpSteps(1, 1, 1.0f, 1.0f)) return;
        lastButton_ = 1;
        ClickSteps();
    }
}

void Command::OnAccessKeyPress(std::int16_t) {
    if (!enabled_) return;
    ClickSteps();
}

void Command::OnGotFocus() {
    hasFocus_ = true;
    Repaint();
}

void Command::OnLostFocus() {
    hasFocus_ = false;
    Repaint();
}

void Command::OnTimer1() {
    int x = 0, y = 0;
    if (!host_.PointerPosition(x, y)) return;
    if (x < 0 || y < 0 || x > w_ || y > h_) {
        host_.SetHoverTimer(false);
        std::weak_ptr<bool> alive = alive_;
        if (MouseOut) MouseOut();
        if (alive.expired() || !*alive.lock()) return;
        isHover_ = false;
        PaintButton(kStateUp, true);
    }
}

}  // namespace controls
