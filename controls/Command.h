#pragma once
// Command: the self-drawn gradient push button every window of the program
// uses. It keeps its design settings in the host's property store, paints
// its whole face on a persistent canvas, and turns the host's mouse, key,
// focus and timer notifications into its own events.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/CommandHost.h"
#include "controls/PropertyStore.h"
#include "platform/Canvas.h"

namespace controls {

using platform::Colour;

// What a property setter that can fail reports, by the runtime's numbers.
enum class PropertyError : int {
    None = 0,
    InvalidPropertyValue = 380,
    CannotSetAtRunTime = 382,
    CannotSetOnControl = 387,
};

// Drawing styles (ButtonType).
enum ButtonStyle : std::int32_t { kXpStyle = 1, kClassicStyle = 2, kGradientStyle = 3, kGlossyStyle = 4, kOfficeXpStyle = 5 };
// Face states (DrawState).
constexpr std::uint8_t kStateUp = 0;
constexpr std::uint8_t kStateDown = 2;

// The caption of a button stored without one.
inline const std::string kDefaultCaption = "wwbutton";

// Channel-wise shift of a colour, clamped to 0..255. In relative mode only
// blue is scaled (blue * delta / 192); red and green take the plain delta.
Colour ShadeColor(Colour colour, int delta, bool relative);
// red + dR, green + dG, blue + dB, each clamped to 0 and to limit's channel.
Colour ShadeColorLimited(Colour colour, int dR, int dG, int dB, Colour limit);
// The lower-cased access key of a caption, or "" when it has none.
std::string AccessKeyOf(const std::string& caption);

class Command {
public:
    Command(CommandHost& host, platform::Canvas& canvas);  // creation
    ~Command();
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    // --- Events raised to the host (arguments by reference: the host may
    // change them; only KeyCode is read back). ---
    std::function<void()> Click;
    std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)> KeyDown;
    std::function<void(std::int16_t& KeyAscii)> KeyPress;
    std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)> KeyUp;
    std::function<void(std::int16_t& Button, std::int16_t& Shift, float& x, float& y)> MouseDown;
    std::function<void(std::int16_t& Button, std::int16_t& Shift, float& x, float& y)> MouseMove;
    std::function<void(std::int16_t& Button, std::int16_t& Shift, float& x, float& y)> MouseUp;
    std::function<void()> MouseOut;

    // --- Lifecycle ---
    void InitProperties();  // placement of a new instance
    void ReadProperties(const PropertyStore& store);
    void WriteProperties(PropertyStore& store) const;
    void Resize(int width, int height);
    void AmbientChanged();

    // --- Properties ---
    Colour BackColor() const { return backColor_; }
    void SetBackColor(Colour c);
    Colour ForeColor() const { return foreColor_; }
    void SetForeColor(Colour c);
    std::int16_t Percent() const { return percent_; }
    [[nodiscard]] PropertyError SetPercent(std::int16_t value);
    Colour MidColor() const { return midColor_; }
    void SetMidColor(Colour c) { SetPlainColour(midColor_, c, "MidColor"); }
    Colour EndColor() const { return endColor_; }
    void SetEndColor(Colour c) { SetPlainColour(endColor_, c, "EndColor"); }
    Colour MouseMoveMidColor() const { return mouseMoveMidColor_; }
    void SetMouseMoveMidColor(Colour c) { SetPlainColour(mouseMoveMidColor_, c, "MouseMoveMidColor"); }
    Colour MouseMoveEndColor() const { return mouseMoveEndColor_; }
    void SetMouseMoveEndColor(Colour c) { SetPlainColour(mouseMoveEndColor_, c, "MouseMoveEndColor"); }
    Colour MouseDownMidColor() const { return mouseDownMidColor_; }
    void SetMouseDownMidColor(Colour c) { SetPlainColour(mouseDownMidColor_, c, "MouseDownMidColor"); }
    Colour MouseDownEndColor() const { return mouseDownEndColor_; }
    void SetMouseDownEndColor(Colour c) { SetPlainColour(mouseDownEndColor_, c, "MouseDownEndColor"); }
    Colour OfficeXpFillColor() const { return officeXpFillColor_; }
    void SetOfficeXpFillColor(Colour c) { SetPlainColour(officeXpFillColor_, c, "OfficeXpFillColor"); }
    Colour OfficeXpFrameColor() const { return officeXpFrameColor_; }
    void SetOfficeXpFrameColor(Colour c) { SetPlainColour(officeXpFrameColor_, c, "OfficeXpFrameColor"); }
    Colour OfficeXpMousemoveFillColor() const { return officeXpMousemoveFillColor_; }
    void SetOfficeXpMousemoveFillColor(Colour c) { SetPlainColour(officeXpMousemoveFillColor_, c, "OfficeXpMousemoveFillColor"); }
    Colour OfficeXpMousemoveFrameColor() const { return officeXpMousemoveFrameColor_; }
    void SetOfficeXpMousemoveFrameColor(Colour c) { SetPlainColour(officeXpMousemoveFrameColor_, c, "OfficeXpMousemoveFrameColor"); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    const platform::Font& Font() const { return font_; }
    void SetFont(const platform::Font& font);
    std::intptr_t hWnd() const { return host_.WindowHandle(); }
    // Always refused: the handle belongs to the window.
    [[nodiscard]] PropertyError SetHWnd(std::intptr_t value);
    std::int32_t ButtonType() const { return buttonType_; }
    void SetButtonType(std::int32_t value);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& text);
    std::int32_t ColorScheme() const { return colorScheme_; }
    void SetColorScheme(std::int32_t value);
    std::int32_t XpType() const { return xpType_; }
    void SetXpType(std::int32_t value);
    Colour rectcolor() const { return rectColor_; }
    void Setrectcolor(Colour c);
    bool ShowFocusRect() const { return showFocusRect_; }
    void SetShowFocusRect(bool on);

    // --- Input notifications from the host window ---
    void OnMouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void OnMouseUp(std::int16_t button, std::int16_t shift, float x, float y);
    void OnMouseMove(std::int16_t button, std::int16_t shift, float x, float y);
    void OnClick();
    void OnDblClick();
    void OnKeyDown(std::int16_t keyCode, std::int16_t shift);
    void OnKeyPress(std::int16_t keyAscii);
    void OnKeyUp(std::int16_t keyCode, std::int16_t shift);
    void OnAccessKeyPress(std::int16_t keyAscii);
    void OnGotFocus();
    void OnLostFocus();
    void OnTimer1();

    // --- Painting ---
    void PaintButton(std::uint8_t state, bool force);
    ButtonShape BuildRegion() const;

    // --- State shared with the painter, readable for the host and tests ---
    std::uint8_t DrawState() const { return drawState_; }
    bool IsHover() const { return isHover_; }
    bool HasFocus() const { return hasFocus_; }
    std::uint8_t LastButton() const { return lastButton_; }
    std::uint8_t LastKey() const { return lastKey_; }
    int Width() const { return w_; }
    int Height() const { return h_; }
    const platform::Box& TextRect() const { return textRect_; }
    const platform::Box& DownTextRect() const { return downTextRect_; }
    Colour FaceColor() const { return faceColor_; }
    Colour LightColor() const { return lightColor_; }
    Colour HighlightColor() const { return highlightColor_; }
    Colour ShadowColor() const { return shadowColor_; }
    Colour DarkShadowColor() const { return darkShadowColor_; }
    Colour TextColor() const { return textColor_; }
    const std::string& AccessKey() const { return accessKey_; }

private:
    void SetPlainColour(Colour& field, Colour c, const char* name);
    void DeriveColors();
    void UpdateAccessKey();
    void ResizeHandling();
    void Repaint() { PaintButton(drawState_, true); }
    void ApplyGlossyPreset();

    // Input steps shared by several notifications. Each returns false when
    // the host destroyed the control inside one of its events.
    bool MouseDownSteps(std::int16_t button, std::int16_t shift, float x, float y);
    bool MouseUpSteps(std::int16_t button, std::int16_t shift, float x, float y);
    void ClickSteps();

    // Marks evaluated at paint time.
    bool FocusShown() const { return hasFocus_ && showFocusRect_; }
    bool Marked() const;

    // Primitives over the canvas.
    void FillBox(int x, int y, int w, int h, Colour c) { canvas_.FillBox(x, y, w, h, c); }
    void FrameBox(int x, int y, int w, int h, Colour c) { canvas_.FrameBox(x, y, w, h, c); }
    void DrawLine(int x1, int y1, int x2, int y2, Colour c) { canvas_.DrawLine(x1, y1, x2, y2, c); }
    void SetDot(int x, int y, Colour c) { canvas_.SetDot(x, y, c); }
    void DrawFocus();
    void CornerFrame(Colour edge, Colour corner);
    void FadeGradient(int r, int g, int b, int from, int to, int step);
    void DrawCaptionUp(Colour c);
    void DrawCaptionDown(Colour c);
    void HoverRing(Colour ring);

    // Faces by style.
    void PaintXpUp();
    void PaintXpDown();
    void PaintXpDisabled();
    void ClassicBevel();
    void PaintClassicUp();
    void PaintClassicDown();
    void PaintClassicDisabled();
    void PaintGradientUp();
    void PaintGradientDown();
    void PaintGradientDisabled();
    void PaintGlossyUp();
    void PaintGlossyDown();
    void PaintGlossyDisabled();
    void PaintOfficeXpUp();
    void PaintOfficeXpDown();
    void PaintOfficeXpDisabled();
    void PaintGradient(Colour mid, Colour frame, Colour end, int percent, bool flat);
    void PaintHighContrast(std::uint8_t state);
    void PaintGlossy(Colour mid, Colour frame, Colour end, int percent);

    CommandHost& host_;
    platform::Canvas& canvas_;
    // Cleared by the destructor, so a handler can tell that an event it
    // raised destroyed the control.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    Colour backColor_ = 0;
    Colour foreColor_ = 0;
    std::int16_t percent_ = 16;
    Colour midColor_ = platform::Rgb(116, 200, 115);
    Colour endColor_ = platform::Rgb(215, 246, 215);
    Colour mouseMoveMidColor_ = platform::Rgb(53, 163, 51);
    Colour mouseMoveEndColor_ = platform::Rgb(245, 252, 244);
    Colour mouseDownMidColor_ = platform::Rgb(132, 208, 133);
    Colour mouseDownEndColor_ = platform::Rgb(0, 0, 0);
    Colour officeXpFillColor_ = platform::Rgb(222, 222, 160);
    Colour officeXpFrameColor_ = platform::Rgb(188, 188, 66);
    Colour officeXpMousemoveFillColor_ = platform::Rgb(220, 220, 186);
    Colour officeXpMousemoveFrameColor_ = platform::Rgb(127, 128, 1);
    bool enabled_ = true;
    platform::Font font_;
    std::int32_t storedHWnd_ = 0;
    std::int32_t buttonType_ = kXpStyle;
    std::string caption_;
    std::int32_t colorScheme_ = 0;
    std::int32_t xpType_ = 1;
    Colour rectColor_ = platform::Rgb(250, 195, 88);
    bool showFocusRect_ = true;

    std::uint8_t drawState_ = kStateUp;
    bool hasFocus_ = false;
    bool isHover_ = false;
    std::uint8_t lastButton_ = 1;
    std::uint8_t lastKey_ = 0;
    std::string lastCaption_;
    int w_ = 0;
    int h_ = 0;
    platform::Box textRect_{};
    platform::Box downTextRect_{2, 2, 0, 0};
    platform::Box focusRect_{};
    Colour faceColor_ = 0, lightColor_ = 0, highlightColor_ = 0, shadowColor_ = 0, darkShadowColor_ = 0, textColor_ = 0;
    std::string accessKey_;
};

}  // namespace controls
