// Reader of the skin markup and of the themes files; see SkinFile.h.
//
//   <skin name="..." author="..." picture="file.png">
//     <item name="GT_BUTTON" rect=x,y,w,h brd=l,r,t,b hvr=n ext=l,r,t,b anim=n,s num=n/>
//     <icon name="..." rect=x,y,w,h ctype="single"/>
//     <font name="..." filename="..." size=n embolden=n/>
//     <config name="..." value=n[,n...]/>
//     <include_themes name="file"/>
//     <theme name="..." author="..." colors={ NAME = r,g,b[,a] | copy N | ... }/>
//   </skin>
#include "gui/SkinFile.h"

#include <algorithm>

#include "app/Exceptions.h"
#include "app/Tokenizer.h"

namespace {

// A part may not be larger than any picture the library could hold.
constexpr int kMaxCoordinate = 16384;
constexpr int kMaxListLength = 16;

[[noreturn]] void Fail(const Tokenizer& t) {
    throw ParseException("Parse error in skin file", uint32_t(t.Line() + 1));
}

struct Attribute {
    std::string name;
    std::string text;
    bool isText = false;
    std::vector<int> numbers;
};

// One value: a quoted string or a comma-separated list of integers, each with an optional
// minus sign.
void ReadValue(Tokenizer& t, Attribute& a) {
    Token token;
    t.GetNextToken(token);
    if (token.type == kTokenString) {
        a.isText = true;
        a.text = token.text;
        return;
    }
    for (;;) {
        bool negative = false;
        if (token.type == kTokenSpecial && token.special == '-') {
            negative = true;
            t.GetNextToken(token);
        }
        if (token.type != kTokenInteger) Fail(t);
        if (a.numbers.size() >= kMaxListLength) Fail(t);
        a.numbers.push_back(negative ? -token.number : token.number);
        if (!t.IsSpecial(',')) return;
        t.GetNextToken(token);
    }
}

uint8_t Channel(int v, const Tokenizer& t) {
    if (v < 0 || v > 255) Fail(t);
    return uint8_t(v);
}

uint32_t Pack(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    return uint32_t(r) << 24 | uint32_t(g) << 16 | uint32_t(b) << 8 | a;
}

// The block of colour definitions: "{" then NAME = value lines until "}".
void ReadColours(Tokenizer& t, GUI_Theme& theme) {
    t.MatchSpecial('{');
    Token token;
    for (;;) {
        t.GetNextToken(token);
        if (token.type == kTokenSpecial && token.special == '}') return;
        if (token.type != kTokenName) Fail(t);
        std::string name = token.text;
        t.MatchSpecial('=');
        t.GetNextToken(token);
        uint32_t value = 0;
        if (token.type == kTokenName) {
            std::string op = token.text;
            std::string source;
            t.ParseName(source);
            auto found = theme.colours.find(source);
            if (found == theme.colours.end()) Fail(t);
            uint32_t c = found->second;
            uint8_t r = c >> 24, g = c >> 16, b = c >> 8, a = c;
            if (op == "copy") {
                value = c;
            } else if (op == "lighten" || op == "darken" || op == "alphaset") {
                int32_t amount = 0;
                t.ParseNumber(amount);
                if (op == "alphaset") {
                    value = Pack(r, g, b, Channel(amount, t));
                } else {
                    if (amount < 0 || amount > 100) Fail(t);
                    auto move = [&](uint8_t v) {
                        return op == "lighten" ? uint8_t(v + (255 - v) * amount / 100)
                                               : uint8_t(v * (100 - amount) / 100);
                    };
                    value = Pack(move(r), move(g), move(b), a);
                }
            } else {
                Fail(t);
            }
        } else if (token.type == kTokenInteger) {
            int v[4] = {token.number, 0, 0, 255};
            int count = 1;
            while (t.IsSpecial(',')) {
                if (count == 4) Fail(t);
                int32_t n = 0;
                t.ParseNumber(n);
                v[count++] = n;
            }
            if (count < 3) Fail(t);
            value = Pack(Channel(v[0], t), Channel(v[1], t), Channel(v[2], t), Channel(v[3], t));
        } else {
            Fail(t);
        }
        theme.colours[name] = value;
    }
}

// Attributes up to "/>" or ">"; the colour block is read into `theme` when given.
std::vector<Attribute> ReadAttributes(Tokenizer& t, GUI_Theme* theme) {
    std::vector<Attribute> attributes;
    Token token;
    for (;;) {
        t.GetNextToken(token);
        if (token.type == kTokenSpecial && token.special == '/') {
            t.MatchSpecial('>');
            return attributes;
        }
        if (token.type == kTokenSpecial && token.special == '>') return attributes;
        if (token.type != kTokenName) Fail(t);
        Attribute a;
        a.name = token.text;
        t.MatchSpecial('=');
        if (a.name == "colors" && theme) {
            ReadColours(t, *theme);
            continue;
        }
        ReadValue(t, a);
        attributes.push_back(std::move(a));
    }
}

const Attribute* Find(const std::vector<Attribute>& list, const char* name) {
    for (const auto& a : list)
        if (a.name == name) return &a;
    return nullptr;
}

void Allow(const Tokenizer& t, const std::vector<Attribute>& list,
           std::initializer_list<const char*> names) {
    for (const auto& a : list)
        if (std::none_of(names.begin(), names.end(), [&](const char* n) { return a.name == n; }))
            Fail(t);
}

std::string Text(const Tokenizer& t, const std::vector<Attribute>& list, const char* name,
                 bool required) {
    const Attribute* a = Find(list, name);
    if (!a) {
        if (required) Fail(t);
        return {};
    }
    if (!a->isText) Fail(t);
    return a->text;
}

// The numbers of an attribute, which must be exactly `count` long and within limits.
bool Numbers(const Tokenizer& t, const std::vector<Attribute>& list, const char* name, size_t count,
             int* out, int low = 0, int high = kMaxCoordinate) {
    const Attribute* a = Find(list, name);
    if (!a) return false;
    if (a->isText || a->numbers.size() != count) Fail(t);
    for (size_t i = 0; i < count; ++i) {
        if (a->numbers[i] < low || a->numbers[i] > high) Fail(t);
        out[i] = a->numbers[i];
    }
    return true;
}

void ReadPart(Tokenizer& t, const std::string& element, GUI_SkinDescription& skin) {
    // item/col stretch both ways, h* across, v* down, s* not at all.
    const bool colour = element.size() >= 3 && element.compare(element.size() - 3, 3, "col") == 0;
    const char first = element[0];
    const char kind = (first == 'h') ? 'H' : (first == 'v') ? 'V' : (first == 's') ? 'S' : 'B';
    auto attributes = ReadAttributes(t, nullptr);
    if (colour)
        Allow(t, attributes, {"name", "rect", "brd", "hvr", "num", "ext", "anim"});
    else
        Allow(t, attributes, {"name", "rect", "brd", "hvr", "ext", "anim", "num"});

    GUI_SkinPart part;
    part.kind = kind;
    part.colour = colour;
    std::string name = Text(t, attributes, "name", true);
    int rect[4];
    if (!Numbers(t, attributes, "rect", 4, rect)) Fail(t);
    part.x = rect[0];
    part.y = rect[1];
    part.w = rect[2];
    part.h = rect[3];
    if (part.w <= 0 || part.h <= 0) Fail(t);
    int brd[4] = {0, 0, 0, 0};
    if (kind == 'B') {
        Numbers(t, attributes, "brd", 4, brd);
    } else if (kind == 'H') {
        Numbers(t, attributes, "brd", 2, brd);
    } else if (kind == 'V') {
        Numbers(t, attributes, "brd", 2, brd + 2);
    } else if (Find(attributes, "brd")) {
        Fail(t);
    }
    part.brdL = brd[0];
    part.brdR = brd[1];
    part.brdT = brd[2];
    part.brdB = brd[3];
    part.midW = part.w - part.brdL - part.brdR;
    part.midH = part.h - part.brdT - part.brdB;
    if (part.midW < 0 || part.midH < 0) Fail(t);
    Numbers(t, attributes, "hvr", 1, &part.hvr, -64, 64);
    int ext[4] = {0, 0, 0, 0};
    Numbers(t, attributes, "ext", 4, ext, 0, 256);
    part.extL = ext[0];
    part.extR = ext[1];
    part.extT = ext[2];
    part.extB = ext[3];
    int anim[2] = {1, 255};
    Numbers(t, attributes, "anim", 2, anim, 1, 255);
    part.frames = anim[0];
    part.speed = part.frames == 1 ? 255 : anim[1];
    Numbers(t, attributes, "num", 1, &part.num, 1, 256);
    // The frames and cells must fit in the picture's coordinate range.
    if (int64_t(part.x) + int64_t(part.w) * part.num > kMaxCoordinate ||
        int64_t(part.y) + int64_t(part.h) * part.frames > kMaxCoordinate)
        Fail(t);
    skin.parts[std::string(1, kind) + name] = part;
}

void ReadIcon(Tokenizer& t, GUI_SkinDescription& skin) {
    auto attributes = ReadAttributes(t, nullptr);
    Allow(t, attributes, {"name", "rect", "ctype"});
    GUI_SkinIcon icon;
    std::string name = Text(t, attributes, "name", true);
    int rect[4];
    if (!Numbers(t, attributes, "rect", 4, rect)) Fail(t);
    icon.x = rect[0];
    icon.y = rect[1];
    icon.w = rect[2];
    icon.h = rect[3];
    if (icon.w <= 0 || icon.h <= 0 || icon.x + icon.w > kMaxCoordinate ||
        icon.y + icon.h > kMaxCoordinate)
        Fail(t);
    std::string ctype = Text(t, attributes, "ctype", false);
    if (ctype == "multi")
        icon.multi = true;
    else if (ctype != "single")
        Fail(t);
    // A multi icon holds four cells side by side.
    if (icon.multi && icon.w % 4 != 0) Fail(t);
    skin.icons[name] = icon;
}

void ReadFont(Tokenizer& t, GUI_SkinDescription& skin) {
    auto attributes = ReadAttributes(t, nullptr);
    Allow(t, attributes, {"name", "filename", "size", "embolden"});
    const Attribute* name = Find(attributes, "name");
    const Attribute* file = Find(attributes, "filename");
    if (!name || !file || !name->isText || !file->isText || name->text.empty() ||
        file->text.empty())
        throw Exception("GUI::Skin::Load(): Font not parsed");
    GUI_SkinFontDescription font;
    font.fileName = file->text;
    Numbers(t, attributes, "size", 1, &font.size, 4, 256);
    Numbers(t, attributes, "embolden", 1, &font.embolden, 0, 16);
    skin.fonts[name->text] = font;
}

void ReadConfig(Tokenizer& t, GUI_SkinDescription& skin) {
    auto attributes = ReadAttributes(t, nullptr);
    Allow(t, attributes, {"name", "value"});
    std::string name = Text(t, attributes, "name", true);
    const Attribute* value = Find(attributes, "value");
    if (!value || value->isText || value->numbers.empty()) Fail(t);
    skin.configs[name] = value->numbers;
}

void ReadTheme(Tokenizer& t, GUI_SkinDescription& skin) {
    GUI_Theme theme;
    if (!skin.themes.empty()) theme.colours = skin.themes.front().colours;
    auto attributes = ReadAttributes(t, &theme);
    Allow(t, attributes, {"name", "author"});
    theme.name = Text(t, attributes, "name", true);
    theme.author = Text(t, attributes, "author", false);
    if (skin.themes.size() < GUI_SkinDescription::kMaxThemes)
        skin.themes.push_back(std::move(theme));
}

}  // namespace

void GUI_ParseThemes(Tokenizer& t, GUI_SkinDescription& skin) {
    try {
        while (!t.IsFileEnd()) {
            t.MatchTag("theme");
            ReadTheme(t, skin);
        }
    } catch (const ParseException& e) {
        if (std::string(e.Message()) == "Parse error in skin file") throw;
        Fail(t);
    }
}

void GUI_ParseSkin(Tokenizer& t, GUI_SkinDescription& skin, const GUI_ThemesReader& readThemes) {
    t.SetLineEndTokens(false);
    t.SetXMLComments(true);
    try {
        t.MatchTag("skin");
        auto attributes = ReadAttributes(t, nullptr);
        Allow(t, attributes, {"name", "author", "picture"});
        skin.name = Text(t, attributes, "name", false);
        skin.author = Text(t, attributes, "author", false);
        skin.picture = Text(t, attributes, "picture", true);
        for (;;) {
            t.MatchSpecial('<');
            if (t.IsSpecial('/')) {
                t.MatchName("skin");
                t.MatchSpecial('>');
                return;
            }
            std::string element;
            t.ParseName(element);
            if (element == "item" || element == "hitem" || element == "vitem" ||
                element == "sitem" || element == "col" || element == "hcol" || element == "vcol" ||
                element == "scol") {
                ReadPart(t, element, skin);
            } else if (element == "icon") {
                ReadIcon(t, skin);
            } else if (element == "font") {
                ReadFont(t, skin);
            } else if (element == "config") {
                ReadConfig(t, skin);
            } else if (element == "theme") {
                ReadTheme(t, skin);
            } else if (element == "include_themes") {
                auto list = ReadAttributes(t, nullptr);
                Allow(t, list, {"name"});
                std::string file = Text(t, list, "name", true);
                readThemes(file, skin);
            } else {
                Fail(t);
            }
        }
    } catch (const ParseException& e) {
        if (std::string(e.Message()) == "Parse error in skin file") throw;
        Fail(t);
    }
}
