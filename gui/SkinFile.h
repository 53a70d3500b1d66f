// The skin markup as data: parts cut from the picture, icons, fonts, layout settings and
// colour themes. Reading it needs no display, so the reader is tested and fuzzed alone.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class Tokenizer;

// One piece of the skin picture. Borders do not stretch; the middle does, in the
// directions its kind allows ('B' both, 'H' across, 'V' down, 'S' not at all).
struct GUI_SkinPart {
    char kind = 'B';
    bool colour = false;  // a colour part: white shapes tinted with the theme colour of its name
    int x = 0, y = 0, w = 0, h = 0;
    int brdL = 0, brdR = 0, brdT = 0, brdB = 0;
    int midW = 0, midH = 0;  // the stretchable middle
    int hvr = 0;             // content offset in pixels while the part is pressed
    int extL = 0, extR = 0, extT = 0, extB = 0;  // drawn beyond the gadget's box
    int frames = 1, speed = 255;  // animation: frames stacked downwards, steps per frame
    int num = 1;                  // equal cells side by side, picked by index
    uint32_t tint = 0xFFFFFFFF;   // 0xAARRGGBB: the theme colour of a colour part
    // Set at load time when every pixel of the stretchable middle is the same (0xAARRGGBB),
    // so the middle is filled instead of stretched, or skipped when transparent.
    bool uniformMiddle = false;
    uint32_t middle = 0;
};

struct GUI_SkinIcon {
    int x = 0, y = 0, w = 0, h = 0;
    bool multi = false;  // four cells side by side: normal, hover, pressed, disabled
};

struct GUI_SkinFontDescription {
    std::string fileName;
    int size = 12;
    int embolden = 0;
};

struct GUI_Theme {
    std::string name, author;
    std::map<std::string, uint32_t> colours;  // 0xRRGGBBAA
};

struct GUI_SkinDescription {
    static constexpr int kMaxThemes = 16;

    std::string name, author, picture;
    std::map<std::string, GUI_SkinPart> parts;  // by key: kind letter + name
    std::map<std::string, GUI_SkinIcon> icons;
    std::map<std::string, GUI_SkinFontDescription> fonts;
    std::map<std::string, std::vector<int>> configs;
    std::vector<GUI_Theme> themes;
};

// Opens a themes file by name and reads it into the description; supplied by the loader,
// which knows where the themes live. Throws when the file cannot be opened or parsed.
using GUI_ThemesReader = std::function<void(const std::string& fileName, GUI_SkinDescription&)>;

// Reads the skin markup from the tokenizer (which it sets up for markup) into `skin`.
// Throws ParseException "Parse error in skin file" (code: the line, from 1) on any
// malformed element or value, and "GUI::Skin::Load(): Font not parsed" for a font without
// its name or file.
void GUI_ParseSkin(Tokenizer& tokenizer, GUI_SkinDescription& skin,
                   const GUI_ThemesReader& readThemes);

// Reads `theme` elements up to the end of the input; themes past the sixteenth are read
// and dropped. Every theme after the first starts as a copy of the first.
void GUI_ParseThemes(Tokenizer& tokenizer, GUI_SkinDescription& skin);
