// Loading a skin: markup, themes, picture, fonts, the mega texture and the resolution of
// every name the GUI draws with.
#include "gui/Skin.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/Exceptions.h"
#include "app/Paths.h"
#include "app/Tokenizer.h"

namespace {

struct FamilyName {
    GUI_PartFamily family;
    char kind;
    const char* word;
    bool colour;
    const char*
        required;  // state letters: N normal, R hover, P pressed, D disabled, O on, X read-only
};

const FamilyName kFamilies[] = {
    {kPartButton, 'B', "GT_BUTTON", false, "NRPDO"},
    {kPartMButton, 'B', "GT_MBUTTON", false, "NRPD"},
    {kPartSpeedButton, 'B', "GT_SPEEDBUTTON", false, "NRPD"},
    {kPartSpeedCheckButton, 'B', "GT_SPEEDCHECKBUTTON", false, "NRPDO"},
    {kPartSpeedSelectButton, 'B', "GT_SPEEDSELECTBUTTON", false, "NRPDO"},
    {kPartCheckButton, 'B', "GT_CHECKBUTTON", false, "NRPDO"},
    {kPartSelectButton, 'B', "GT_SELECTBUTTON", false, "NRPDO"},
    {kPartSelectBox, 'B', "GT_SELECTBOX", false, "NRPD"},
    {kPartCheckBox, 'S', "GT_CHECKBOX", false, "NRPD"},
    {kPartCheckBoxChecked, 'S', "GT_CHECKBOX_CHECKED", false, "N"},
    {kPartTextLine, 'B', "GT_TEXTLINE", false, "NODX"},
    {kPartTextField, 'B', "GT_TEXTFIELD", false, "NODX"},
    {kPartTextCursor, 'V', "GT_TEXTLINE_CUR", true, "N"},
    {kPartTextSelection, 'B', "GT_TEXTLINE_SEL", true, "N"},
    {kPartListBack, 'B', "GT_LIST_BG", false, "NOD"},
    {kPartListSelection, 'B', "GT_LIST_SEL", true, "N"},
    {kPartListCursor, 'B', "GT_LIST_CUR", false, "N"},
    {kPartListColumn, 'H', "GT_LIST_COLUMN", false, "N"},
    {kPartListLine, 'V', "GT_LIST_LINE", false, "N"},
    {kPartVScrollBack, 'V', "GT_VSCRBAR_BG", false, "N"},
    {kPartVScrollGrip, 'V', "GT_VSCRBAR_GRIP", false, "NRP"},
    {kPartVScrollUp, 'S', "GT_VSCRBAR_UP", false, "NRPD"},
    {kPartVScrollDown, 'S', "GT_VSCRBAR_DOWN", false, "NRPD"},
    {kPartHScrollBack, 'H', "GT_HSCRBAR_BG", false, "N"},
    {kPartHScrollGrip, 'H', "GT_HSCRBAR_GRIP", false, "NRP"},
    {kPartHScrollLeft, 'S', "GT_HSCRBAR_LEFT", false, "NRPD"},
    {kPartHScrollRight, 'S', "GT_HSCRBAR_RIGHT", false, "NRPD"},
    {kPartHSliderBack, 'H', "GT_HSLIDER_BG", false, "N"},
    {kPartHSliderFilling, 'H', "GT_HSLIDER_FILLING", true, "N"},
    {kPartHSliderGrip, 'S', "GT_HSLIDER_GRIP", false, "NRPD"},
    {kPartVSliderBack, 'V', "GT_VSLIDER_BG", false, "N"},
    {kPartVSliderFilling, 'V', "GT_VSLIDER_FILLING", true, "N"},
    {kPartVSliderGrip, 'S', "GT_VSLIDER_GRIP", false, "NRPD"},
    {kPartHGaugeBack, 'H', "GT_HGAUGE_BG", false, "N"},
    {kPartHGaugeFilling, 'H', "GT_HGAUGE_FILLING", true, "N"},
    {kPartVGaugeBack, 'V', "GT_VGAUGE_BG", false, "N"},
    {kPartVGaugeFilling, 'V', "GT_VGAUGE_FILLING", true, "N"},
    {kPartProgressBack, 'B', "GT_PROGRESSBAR_BG", false, "N"},
    {kPartProgressFilling, 'B', "GT_PROGRESSBAR_FILLING", true, "N"},
    {kPartFrame, 'B', "GT_FRAME", false, "N"},
    {kPartHSpaceBar, 'H', "GT_HSPACE_BAR", false, "N"},
    {kPartVSpaceBar, 'V', "GT_VSPACE_BAR", false, "N"},
    {kPartImage, 'B', "GT_IMAGE", false, "N"},
    {kPartActiveBorder, 'B', "GT_ACTIVE_BORDER", true, "N"},
    {kPartWindowBorder, 'B', "WIN_MAIN_BORDER", false, "N"},
    {kPartWindowBorderFront, 'B', "WINF_MAIN_BORDER", false, "N"},
    {kPartWindowBorderMain, 'B', "WINM_MAIN_BORDER", false, "N"},
    {kPartWindowBack, 'B', "WIN_MAIN_BACK", true, "N"},
    {kPartTitleBar, 'H', "WIN_TITLEBAR", false, "N"},
    {kPartTitleBarFront, 'H', "WINF_TITLEBAR", false, "N"},
    {kPartWindowClose, 'S', "GT_WINDOW_CLOSE", false, "NRP"},
    {kPartWindowMaximize, 'S', "GT_WINDOW_MAXIMIZE", false, "NRP"},
    {kPartWindowResize, 'S', "GT_WINDOW_RESIZE", false, "N"},
    {kPartMenuBar, 'H', "MENU_BAR", false, "N"},
    {kPartMenuTitle, 'B', "MENU_TITLE", false, "RP"},
    {kPartMenuCategory, 'B', "MENU_CATEGORY", false, "N"},
    {kPartMenuEntry, 'B', "MENU_ENTRY", true, "R"},
    {kPartMenuLine, 'H', "MENU_ENTRY_LINE", false, "N"},
    {kPartMenuChecked, 'S', "MENU_ENTRY_CHECKED", false, "N"},
    {kPartMenuSelected, 'S', "MENU_ENTRY_SELECTED", false, "N"},
    {kPartMenuSubmenu, 'S', "MENU_ENTRY_SUBMENU", false, "N"},
};
static_assert(sizeof kFamilies / sizeof kFamilies[0] == kPartFamilyCount);

const char* const kStateEndings[kStateCount] = {"", "_R", "_P", "_D", "2", "2_R", "2_D", "_RO"};
const char kStateLetters[kStateCount + 1] = "NRPDOxyX";
// The look used when a state is missing and not required.
const GUI_PartState kFallback[kStateCount] = {kStateNormal,   kStateNormal,  kStateHover,
                                              kStateNormal,   kStatePressed, kStateOn,
                                              kStateDisabled, kStateDisabled};

const char* const kColourNames[kColCount] = {
    "BG_LT",
    "BG_RT",
    "BG_LB",
    "BG_RB",
    "WIN_MAIN_BACK",
    "WIN_TITLEBAR_TEXT",
    "WIN_TITLEBAR_TEXT_I",
    "GT_LABEL",
    "GT_LABEL_D",
    "GT_FRAME_LABEL",
    "GT_BUTTON_TEXT",
    "GT_BUTTON_TEXT_D",
    "GT_BUTTON_TEXT2",
    "GT_TEXTLINE_TEXT",
    "GT_TEXTLINE_TEXT_D",
    "GT_TEXTLINE_TEXT_SEL",
    "GT_TEXTLINE_SEL",
    "GT_TEXTLINE_CUR",
    "GT_LIST_TEXT",
    "GT_LIST_TEXT_D",
    "GT_LIST_TEXT_SEL",
    "GT_LIST_SEL",
    "GT_LIST_SEL_I",
    "GT_LIST_COLUMN_TEXT",
    "GT_ACTIVE_BORDER",
    "GT_HSLIDER_FILLING",
    "GT_VSLIDER_FILLING",
    "GT_HGAUGE_FILLING",
    "GT_VGAUGE_FILLING",
    "GT_PROGRESSBAR_FILLING",
    "MENU_TEXT",
    "MENU_TEXT_R",
    "MENU_TEXT_D",
    "MENU_SHORTCUT",
    "MENU_ENTRY_R",
};

const char* const kIconNames[kIconCount] = {"ICON_MINUS",     "ICON_PLUS",   "ICON_FINE_MINUS",
                                            "ICON_FINE_PLUS", "ICON_CHOICE", "ICON_FOLDER",
                                            "ICON_FILE",      "ICON_DRIVE",  "ICON_CHECK"};
const char* const kFontNames[kFontCount] = {"normal", "bold", "mono"};
const char* const kConfigNames[] = {"height",
                                    "min_width",
                                    "btn_brd",
                                    "btn_sepw",
                                    "layout_gadget_sepw",
                                    "layout_gadget_seph",
                                    "layout_label_sepw",
                                    "main_brd",
                                    "titlebar_brd",
                                    "titlebar_gadget_sepw",
                                    "text_brd",
                                    "cursor_size",
                                    "col_brd",
                                    "spacing",
                                    "vscrbar_sepw",
                                    "hscrbar_seph",
                                    "icon_sepw",
                                    "bar_brd",
                                    "title_brd",
                                    "title_separation_width",
                                    "category_brd",
                                    "entry_brd",
                                    "entry_bar_height",
                                    "shortcut_separation_width",
                                    "checkable_separation_width",
                                    "label_rect_brd",
                                    "category_pos",
                                    "sub_category_pos"};

DRELM_RGBA FromThemeValue(uint32_t rgba) {
    return DRELM_RGBA(uint8_t(rgba >> 24), uint8_t(rgba >> 16), uint8_t(rgba >> 8), uint8_t(rgba));
}

std::string ReadWholeFile(const std::string& path, const char* failure) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw FileIOException(failure);
    std::string data;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.append(buffer, n);
    std::fclose(f);
    return data;
}

// A font file named by the skin is looked for beside the skin first, then among the
// system's DejaVu fonts, which the default skin uses.
std::string FindFontFile(const std::string& directory, const std::string& fileName) {
    std::string path = JoinPath(directory, fileName);
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) return path;
    std::string system = JoinPath("/usr/share/fonts/truetype/dejavu",
                                  std::filesystem::path(fileName).filename().string());
    if (std::filesystem::exists(system, ec)) return system;
    return path;
}

}  // namespace

std::vector<std::string> GUI_RequiredPartKeys() {
    std::vector<std::string> keys;
    for (const auto& f : kFamilies)
        for (const char* r = f.required; *r; ++r) {
            int state = int(std::string(kStateLetters).find(*r));
            keys.push_back(std::string(1, f.kind) + f.word + kStateEndings[state]);
        }
    return keys;
}

std::vector<std::string> GUI_RequiredColourNames() {
    return std::vector<std::string>(std::begin(kColourNames), std::end(kColourNames));
}

GUI_Skin::~GUI_Skin() { Free(); }

void GUI_Skin::Free() {
    for (DRELM_Font* f : ownedFonts) DRELM_FreeFont(f);
    ownedFonts.clear();
    fonts.fill(nullptr);
    DRELM_FreeTexture(texture);
    texture = nullptr;
    DRELM_FreeSurface(mega);
    mega = nullptr;
    for (auto& row : parts) row.fill(nullptr);
    packed.clear();
    description = GUI_SkinDescription();
}

void GUI_Skin::Load(const std::string& directory, const std::string& fileName) {
    Free();
    try {
        std::string markup =
            ReadWholeFile(JoinPath(directory, fileName), "GUI_Skin::Load(): Couldn't open file");
        Tokenizer tokenizer;
        tokenizer.AttachBuffer(markup.data(), markup.size());
        GUI_ParseSkin(
            tokenizer, description, [&](const std::string& name, GUI_SkinDescription& skin) {
                std::string themes = ReadWholeFile(JoinPath(JoinPath(directory, "themes"), name),
                                                   "GUI_Skin::Load(): Couldn't open file");
                Tokenizer t;
                t.AttachBuffer(themes.data(), themes.size());
                t.SetLineEndTokens(false);
                t.SetXMLComments(true);
                t.SetCommentChar(';');
                GUI_ParseThemes(t, skin);
            });
        Resolve();
        BuildMegaSurface(directory);
        LoadFonts(directory);
        ApplyTheme(0);
    } catch (...) {
        Free();
        throw;
    }
}

void GUI_CheckSkinNames(const GUI_SkinDescription& description) {
    for (const auto& f : kFamilies)
        for (int s = 0; s < kStateCount; ++s) {
            if (std::string(f.required).find(kStateLetters[s]) == std::string::npos) continue;
            auto found = description.parts.find(std::string(1, f.kind) + f.word + kStateEndings[s]);
            if (found == description.parts.end() || found->second.colour != f.colour)
                throw Exception(f.colour ? "Skin col name not found" : "Skin item name not found");
        }
    for (const char* name : kIconNames)
        if (!description.icons.count(name)) throw Exception("Icon name not found");
    for (const char* name : kFontNames)
        if (!description.fonts.count(name)) throw Exception("Font name not found");
    if (description.themes.empty()) throw Exception("Skin col name not found");
    for (const auto& t : description.themes)
        for (const char* name : kColourNames)
            if (!t.colours.count(name)) throw Exception("Skin col name not found");
    for (const char* name : kConfigNames)
        if (!description.configs.count(name)) throw Exception("Config name not found");
}

// Every name the GUI draws with must be there before anything is drawn, so a broken skin
// stops at load time with the kind of name that is missing.
void GUI_Skin::Resolve() {
    GUI_CheckSkinNames(description);
    for (const auto& f : kFamilies)
        for (int s = 0; s < kStateCount; ++s) {
            std::string key = std::string(1, f.kind) + f.word + kStateEndings[s];
            auto found = description.parts.find(key);
            if (found != description.parts.end() && found->second.colour == f.colour)
                packed[key] = found->second;
        }
    for (int i = 0; i < kIconCount; ++i) icons[i] = description.icons.at(kIconNames[i]);

    // Layout values far outside any sensible size are refused as a broken skin.
    auto sane = [](int v) {
        if (v < -256 || v > 1024) throw ParseException("Parse error in skin file");
        return v;
    };
    auto config = [&](const char* name, int& value) { value = sane(Config(name).front()); };
    auto config2 = [&](const char* name, int& a, int& b) {
        const auto& v = Config(name);
        if (v.size() < 2) throw ParseException("Parse error in skin file");
        a = sane(v[0]);
        b = sane(v[1]);
    };
    GUI_SkinMetrics& m = metrics;
    config("height", m.height);
    config("min_width", m.minWidth);
    config("btn_brd", m.buttonBorder);
    config("btn_sepw", m.buttonSep);
    config("layout_gadget_sepw", m.gadgetSepW);
    config("layout_gadget_seph", m.gadgetSepH);
    config("layout_label_sepw", m.labelSepW);
    config("main_brd", m.mainBorder);
    config("titlebar_brd", m.titleBorder);
    config("titlebar_gadget_sepw", m.titleGadgetSep);
    config("text_brd", m.textBorder);
    config("cursor_size", m.cursorSize);
    config("col_brd", m.columnBorder);
    config("spacing", m.spacing);
    config("vscrbar_sepw", m.vscrollWidth);
    config("hscrbar_seph", m.hscrollHeight);
    config("icon_sepw", m.iconSep);
    config("bar_brd", m.menuBarBorder);
    config("title_brd", m.menuTitleBorder);
    config("title_separation_width", m.menuTitleSep);
    config("category_brd", m.menuCategoryBorder);
    config("entry_brd", m.menuEntryBorder);
    config("entry_bar_height", m.menuEntryHeight);
    config("shortcut_separation_width", m.shortcutSep);
    config("checkable_separation_width", m.checkableSep);
    config("label_rect_brd", m.frameLabelBorder);
    config2("category_pos", m.categoryX, m.categoryY);
    config2("sub_category_pos", m.subCategoryX, m.subCategoryY);
    // Sizes that would make the layout meaningless are refused as a broken skin.
    if (m.height < 8 || m.height > 200 || m.menuEntryHeight < 8 || m.menuEntryHeight > 200 ||
        m.vscrollWidth < 4 || m.vscrollWidth > 100 || m.hscrollHeight < 4 || m.hscrollHeight > 100)
        throw ParseException("Parse error in skin file");
}

// Parts and icons are copied out of the picture onto one texture, in shelves, one pixel
// apart; the picture itself is not kept.
void GUI_Skin::BuildMegaSurface(const std::string& directory) {
    std::unique_ptr<DRELM_Surface> picture(new DRELM_Surface);
    picture->Create(JoinPath(directory, description.picture).c_str());
    if (picture->Format() != DRELM_FORMAT_A8R8G8B8) picture->Convert(DRELM_FORMAT_A8R8G8B8);

    struct Piece {
        int sx, sy, w, h;
        int* dx;
        int* dy;
    };
    std::vector<Piece> pieces;
    for (auto& [key, part] : packed) {
        int w = part.w * part.num, h = part.h * part.frames;
        if (part.x + w > picture->Width() || part.y + h > picture->Height())
            throw ParseException("Parse error in skin file");
        pieces.push_back({part.x, part.y, w, h, &part.x, &part.y});
    }
    for (auto& icon : icons) {
        if (icon.x + icon.w > picture->Width() || icon.y + icon.h > picture->Height())
            throw ParseException("Parse error in skin file");
        pieces.push_back({icon.x, icon.y, icon.w, icon.h, &icon.x, &icon.y});
    }
    std::vector<Piece*> order;
    for (auto& p : pieces) order.push_back(&p);
    std::stable_sort(order.begin(), order.end(), [](Piece* a, Piece* b) { return a->h > b->h; });
    int width = 256;
    for (Piece* p : order) width = std::max(width, p->w + 1);
    std::vector<std::pair<int, int>> places(order.size());
    int x = 0, y = 0, shelf = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (x + order[i]->w > width) {
            x = 0;
            y += shelf + 1;
            shelf = 0;
        }
        places[i] = {x, y};
        x += order[i]->w + 1;
        shelf = std::max(shelf, order[i]->h);
    }
    int height = y + shelf;
    if (width > 8192 || height > 8192 || height <= 0)
        throw Exception("GUI_Skin: Create mega surface");
    try {
        mega = DRELM_CreateSurface(width, height, DRELM_FORMAT_A8R8G8B8);
    } catch (const Exception&) {
        throw Exception("GUI_Skin: Create mega surface");
    }
    for (size_t i = 0; i < order.size(); ++i) {
        Piece* p = order[i];
        picture->CopyRect(Quelm::Rect(p->sx, p->sy, p->w, p->h), places[i].first, places[i].second,
                          mega);
        *p->dx = places[i].first;
        *p->dy = places[i].second;
    }
    RestoreTexture();
    for (auto& [key, part] : packed) FindUniformMiddle(part);
    for (const auto& f : kFamilies)
        for (int s = 0; s < kStateCount; ++s) {
            auto found = packed.find(std::string(1, f.kind) + f.word + kStateEndings[s]);
            if (found != packed.end()) parts[f.family][s] = &found->second;
        }
    for (const auto& f : kFamilies)
        for (int s = 0; s < kStateCount; ++s)
            if (!parts[f.family][s]) {
                // Walk the fallbacks until a look exists; a family without a normal look
                // (menu titles) leaves it empty.
                int t = s;
                for (int guard = 0; guard < kStateCount && !parts[f.family][t] && t != kStateNormal;
                     ++guard)
                    t = kFallback[t];
                parts[f.family][s] = parts[f.family][t];
            }
}

// Large gadgets are mostly middle: a middle of one colour is filled rather than stretched
// pixel by pixel, and a transparent one (frames, borders) is not drawn at all.
void GUI_Skin::FindUniformMiddle(GUI_SkinPart& part) const {
    part.uniformMiddle = false;
    if (part.frames != 1 || part.num != 1 || part.kind == 'S' || part.midW <= 0 || part.midH <= 0)
        return;
    const int x0 = part.x + part.brdL, y0 = part.y + part.brdT;
    const uint32_t first = mega->GetPixel(x0, y0).Packed();
    for (int y = 0; y < part.midH; ++y)
        for (int x = 0; x < part.midW; ++x)
            if (mega->GetPixel(x0 + x, y0 + y).Packed() != first) return;
    // A fully transparent pixel is transparent whatever its colour bits say.
    part.middle = (first >> 24) == 0 ? 0 : first;
    part.uniformMiddle = true;
}

void GUI_Skin::RestoreTexture() {
    if (!mega) return;
    DRELM_FreeTexture(texture);
    texture = nullptr;
    try {
        texture = DRELM_CreateTexture(mega->Width(), mega->Height(), DRELM_FORMAT_A8R8G8B8);
    } catch (const Exception&) {
        throw Exception("GUI_Skin: Create mega surface");
    }
    mega->CopyToTexture(texture);
}

void GUI_Skin::LoadFonts(const std::string& directory) {
    for (int i = 0; i < kFontCount; ++i) {
        const auto& desc = description.fonts.at(kFontNames[i]);
        std::string path = FindFontFile(directory, desc.fileName);
        DRELM_Font* font = DRELM_CreateFont(path.c_str(), desc.size,
                                            desc.embolden ? uint32_t(DRELM_FONT_EMBOLDEN) : 0u,
                                            DRELM_FONT_LOAD_TRUETYPE);
        ownedFonts.push_back(font);
        fonts[i] = font;
    }
}

bool GUI_Skin::SelectTheme(int index) {
    if (index < 0 || index >= ThemeCount()) return false;
    ApplyTheme(index);
    return true;
}

void GUI_Skin::ApplyTheme(int index) {
    theme = index;
    const auto& t = description.themes[index];
    for (int i = 0; i < kColCount; ++i)
        colours[i] = FromThemeValue(t.colours.at(kColourNames[i]));
    for (auto& [key, part] : packed) {
        if (!part.colour) continue;
        auto found = t.colours.find(key.substr(1));
        part.tint = found == t.colours.end() ? 0xFFFFFFFF : FromThemeValue(found->second).Packed();
    }
}

const std::vector<int>& GUI_Skin::Config(const std::string& name) const {
    auto found = description.configs.find(name);
    if (found == description.configs.end()) throw Exception("Config name not found");
    return found->second;
}

DRELM_RGBA GUI_Skin::ThemeColour(const std::string& name) const {
    if (description.themes.empty()) throw Exception("Skin col name not found");
    const auto& colours = description.themes[theme].colours;
    auto found = colours.find(name);
    if (found == colours.end()) throw Exception("Skin col name not found");
    return FromThemeValue(found->second);
}

void GUI_Skin::DrawPart(GUI_PartFamily family, GUI_PartState state, const Quelm::Rect& rect) const {
    const GUI_SkinPart* part = parts[family][state];
    if (part) DrawPart(part, rect, DRELM_RGBA(part->tint));
}

void GUI_Skin::DrawPart(const GUI_SkinPart* part, const Quelm::Rect& target, DRELM_RGBA colour,
                        int frame, int cell) const {
    if (!part || !texture) return;
    const GUI_SkinPart& p = *part;
    Quelm::Rect r(target.x - p.extL, target.y - p.extT, target.width + p.extL + p.extR,
                  target.height + p.extT + p.extB);
    const int sx = p.x + (cell % p.num) * p.w;
    const int sy = p.y + (frame % p.frames) * p.h;
    switch (p.kind) {
        case 'S':
            texture->BlitPart(Quelm::Rect(sx, sy, p.w, p.h), r.x + (r.width - p.w) / 2,
                              r.y + (r.height - p.h) / 2, colour);
            return;
        case 'H': {
            const int y = r.y + (r.height - p.h) / 2;
            const int l = std::min(p.brdL, r.width / 2), rr = std::min(p.brdR, r.width - l);
            texture->BlitPart(Quelm::Rect(sx, sy, l, p.h), Quelm::Rect(r.x, y, l, p.h), colour);
            if (r.width - l - rr > 0 && p.midW > 0) {
                const Quelm::Rect middle(r.x + l, y, r.width - l - rr, p.h);
                if (p.uniformMiddle)
                    FillMiddle(p, middle, colour);
                else
                    texture->BlitPart(Quelm::Rect(sx + p.brdL, sy, p.midW, p.h), middle, colour);
            }
            texture->BlitPart(Quelm::Rect(sx + p.w - rr, sy, rr, p.h),
                              Quelm::Rect(r.Right() - rr, y, rr, p.h), colour);
            return;
        }
        case 'V': {
            const int x = r.x + (r.width - p.w) / 2;
            const int t = std::min(p.brdT, r.height / 2), b = std::min(p.brdB, r.height - t);
            texture->BlitPart(Quelm::Rect(sx, sy, p.w, t), Quelm::Rect(x, r.y, p.w, t), colour);
            if (r.height - t - b > 0 && p.midH > 0) {
                const Quelm::Rect middle(x, r.y + t, p.w, r.height - t - b);
                if (p.uniformMiddle)
                    FillMiddle(p, middle, colour);
                else
                    texture->BlitPart(Quelm::Rect(sx, sy + p.brdT, p.w, p.midH), middle, colour);
            }
            texture->BlitPart(Quelm::Rect(sx, sy + p.h - b, p.w, b),
                              Quelm::Rect(x, r.Bottom() - b, p.w, b), colour);
            return;
        }
        default: {
            // Nine pieces: corners as they are, edges stretched along, the middle both ways.
            const int l = std::min(p.brdL, r.width / 2), rr = std::min(p.brdR, r.width - l);
            const int t = std::min(p.brdT, r.height / 2), b = std::min(p.brdB, r.height - t);
            const int mw = r.width - l - rr, mh = r.height - t - b;
            const int sxs[3] = {sx, sx + p.brdL, sx + p.w - rr};
            const int sws[3] = {l, p.midW, rr};
            const int dxs[3] = {r.x, r.x + l, r.Right() - rr};
            const int dws[3] = {l, mw, rr};
            const int sys[3] = {sy, sy + p.brdT, sy + p.h - b};
            const int shs[3] = {t, p.midH, b};
            const int dys[3] = {r.y, r.y + t, r.Bottom() - b};
            const int dhs[3] = {t, mh, b};
            for (int row = 0; row < 3; ++row) {
                if (dhs[row] <= 0 || shs[row] <= 0) continue;
                for (int col = 0; col < 3; ++col) {
                    if (dws[col] <= 0 || sws[col] <= 0) continue;
                    const Quelm::Rect target(dxs[col], dys[row], dws[col], dhs[row]);
                    if (row == 1 && col == 1 && p.uniformMiddle) {
                        FillMiddle(p, target, colour);
                        continue;
                    }
                    texture->BlitPart(Quelm::Rect(sxs[col], sys[row], sws[col], shs[row]), target,
                                      colour);
                }
            }
        }
    }
}

void GUI_Skin::DrawIcon(GUI_Icon icon, int x, int y, DRELM_RGBA colour, int state) const {
    if (!texture) return;
    const GUI_SkinIcon& i = icons[icon];
    if (i.multi) {
        const int w = i.w / 4;
        texture->BlitPart(Quelm::Rect(i.x + (state & 3) * w, i.y, w, i.h), x, y);
    } else {
        texture->BlitPart(Quelm::Rect(i.x, i.y, i.w, i.h), x, y, colour);
    }
}

void GUI_Skin::FillMiddle(const GUI_SkinPart& p, const Quelm::Rect& target,
                          DRELM_RGBA colour) const {
    if ((p.middle >> 24) == 0 || colour.a == 0) return;
    const DRELM_RGBA m(p.middle);
    auto mul = [](int a, int b) { return uint8_t((a * b + 127) / 255); };
    DRELM_DrawRect(target, DRELM_RGBA(mul(m.r, colour.r), mul(m.g, colour.g), mul(m.b, colour.b),
                                      mul(m.a, colour.a)));
}

int GUI_Skin::IconWidth(GUI_Icon icon) const {
    return icons[icon].multi ? icons[icon].w / 4 : icons[icon].w;
}

int GUI_Skin::IconHeight(GUI_Icon icon) const { return icons[icon].h; }
