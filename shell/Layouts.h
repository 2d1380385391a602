#pragma once
// The stored layouts of the five windows, as plain data: what each window
// holds, where (in twips from the client's top-left corner), in which font
// and colours. The Win32 windows are built from these tables; nothing about
// a window's look is decided anywhere else.
#include <optional>
#include <string>
#include <vector>

#include "controls/PropertyStore.h"
#include "platform/Canvas.h"
#include "platform/Ui.h"
#include "shell/Frame.h"

namespace shell::layout {

constexpr int kTwipsPerInch = 1440;
constexpr int kLayoutDpi = 96;  // the density the layout's pixel sizes are given at

// Twips at `dpi` dots per inch to the nearest pixel, halves to even (at 96
// the layout has thirds of a pixel, never halves; at 144 it has halves).
constexpr int Pixels(int twips, int dpi) {
    const long long dots = static_cast<long long>(twips) * dpi;
    const long long whole = dots / kTwipsPerInch, rest = dots % kTwipsPerInch;
    const long long twice = 2 * (rest < 0 ? -rest : rest);
    if (twice < kTwipsPerInch || (twice == kTwipsPerInch && whole % 2 == 0)) return static_cast<int>(whole);
    return static_cast<int>(dots < 0 ? whole - 1 : whole + 1);
}
constexpr int Pixels(int twips) { return Pixels(twips, kLayoutDpi); }

constexpr int kClientWidth = 11790, kClientHeight = 8355;  // 786 x 557 pixels
constexpr const char* kWindowTitle = "Varnholt 2012";

// A colour from the system's scheme, marked by the high bit and carrying the
// GetSysColor index; any other value is a plain 0x00BBGGRR colour.
constexpr platform::Colour kSystemColourFlag = 0x80000000u;
constexpr platform::Colour SystemColour(int index) { return kSystemColourFlag | static_cast<platform::Colour>(index); }
constexpr bool IsSystemColour(platform::Colour c) { return (c & kSystemColourFlag) != 0; }
constexpr int SystemColourIndex(platform::Colour c) { return static_cast<int>(c & 0xFF); }
constexpr platform::Colour kWindowBackground = SystemColour(5);  // COLOR_WINDOW
constexpr platform::Colour kWindowText = SystemColour(8);        // COLOR_WINDOWTEXT
constexpr platform::Colour kButtonFace = SystemColour(15);       // COLOR_BTNFACE
constexpr platform::Colour kButtonText = SystemColour(18);       // COLOR_BTNTEXT

struct Bounds {
    int left = 0, top = 0;
    int width = 0, height = 0;  // 0 x 0 for a label sized to its text
    bool operator==(const Bounds&) const = default;
};

struct FontSpec {
    std::string face = "Verdana";
    double points = 9.0;
    bool bold = false;
    bool operator==(const FontSpec&) const = default;
};
inline const FontSpec kWindowFont{};
inline const FontSpec kSmallFont{"Verdana", 7.5, false};
inline const FontSpec kBoldFont{"Verdana", 9.0, true};

// Text drawn straight onto the background.
struct LabelSpec {
    std::string name;
    std::string text;
    Bounds at;  // width 0: sized to its text; height 0 with a width: one line of text
    FontSpec font = kWindowFont;
    platform::Colour colour = kButtonText;
    bool wrap = false;       // wrapped inside its stored box
    bool clickable = false;  // a link with its own hover and click
};

struct CheckSpec {
    std::string name;
    std::string caption;
    Bounds at;
    FontSpec font = kWindowFont;
    platform::Colour colour = kButtonText;
    platform::Colour background = platform::Rgb(255, 255, 255);
    bool threeState = false;
};

struct ButtonSpec {
    std::string name;
    std::string caption;
    Bounds at;
    bool gradientG = false;  // the blue gradient of the backup and records pages
    bool setX = false;       // with the orange frame colours
};

struct ColumnSpec {
    std::string header;
    int width = 0;  // twips
};

struct ListSpec {
    std::string name;
    Bounds at;
    FontSpec font = kWindowFont;
    std::vector<ColumnSpec> columns;  // stored columns; the scan list adds its own
    bool checkBoxes = false;
};

// A one-pixel outline, transparent inside.
struct ShapeSpec {
    std::string name;
    Bounds at;
    platform::Colour colour = 0;
};

// What a picture shows, so a platform can find its bitmaps.
enum class Art {
    CaptionPage, CaptionScan, Minimise, Exit,
    NavScanner, NavRestore, NavSettings, NavRecords,
    Question,
};

struct PictureSpec {
    std::string name;
    Art art;
    Bounds at;
    int images = 1;  // 3 for a picture set (normal, hover, pressed)
};

enum class Form { Scanner, RestoreAndBackup, Settings, Records, Repair };

struct WindowLayout {
    Form form;
    std::string name;
    std::string background;  // beside the executable, starting with a backslash
    std::optional<Page> page;  // its navigation image; none for the scan window
    // In drawing order from the bottom: a later picture or label lies over an earlier one.
    std::vector<PictureSpec> pictures;
    std::vector<ShapeSpec> shapes;
    std::vector<LabelSpec> labels;
    // The controls that take the focus, listed in the window's focus order.
    std::vector<CheckSpec> checks;
    std::vector<ListSpec> lists;
    std::vector<ButtonSpec> buttons;
    std::vector<std::string> focusOrder;
};

const WindowLayout& LayoutOf(Form form);

// The settings a button instance stores: caption, style, font and, where
// listed, the gradient and frame colours.
controls::MemoryPropertyStore StoredSettings(const ButtonSpec& button);

// The stored font as the button and canvas layer knows it.
platform::Font ToFont(const FontSpec& font);

}  // namespace shell::layout
