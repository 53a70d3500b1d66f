// The loaded skin: every part the GUI draws, resolved once at load time so drawing is a
// table look-up, the mega texture the parts are cut from, the fonts and the colours of the
// chosen theme.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "Drelm.h"
#include "gui/SkinFile.h"

// Looks of a part: the state endings of the part names.
enum GUI_PartState : int {
    kStateNormal = 0,  // ""
    kStateHover,       // "_R"
    kStatePressed,     // "_P"
    kStateDisabled,    // "_D"
    kStateOn,          // "2": switched on, or the focused look of text gadgets
    kStateOnHover,     // "2_R"
    kStateOnDisabled,  // "2_D"
    kStateReadOnly,    // "_RO"
    kStateCount
};

// The part families the GUI draws: one per gadget word and part word.
enum GUI_PartFamily : int {
    kPartButton,
    kPartMButton,
    kPartSpeedButton,
    kPartSpeedCheckButton,
    kPartSpeedSelectButton,
    kPartCheckButton,
    kPartSelectButton,
    kPartSelectBox,
    kPartCheckBox,
    kPartCheckBoxChecked,
    kPartTextLine,
    kPartTextField,
    kPartTextCursor,
    kPartTextSelection,
    kPartListBack,
    kPartListSelection,
    kPartListCursor,
    kPartListColumn,
    kPartListLine,
    kPartVScrollBack,
    kPartVScrollGrip,
    kPartVScrollUp,
    kPartVScrollDown,
    kPartHScrollBack,
    kPartHScrollGrip,
    kPartHScrollLeft,
    kPartHScrollRight,
    kPartHSliderBack,
    kPartHSliderFilling,
    kPartHSliderGrip,
    kPartVSliderBack,
    kPartVSliderFilling,
    kPartVSliderGrip,
    kPartHGaugeBack,
    kPartHGaugeFilling,
    kPartVGaugeBack,
    kPartVGaugeFilling,
    kPartProgressBack,
    kPartProgressFilling,
    kPartFrame,
    kPartHSpaceBar,
    kPartVSpaceBar,
    kPartImage,
    kPartActiveBorder,
    kPartWindowBorder,
    kPartWindowBorderFront,
    kPartWindowBorderMain,
    kPartWindowBack,
    kPartTitleBar,
    kPartTitleBarFront,
    kPartWindowClose,
    kPartWindowMaximize,
    kPartWindowResize,
    kPartMenuBar,
    kPartMenuTitle,
    kPartMenuCategory,
    kPartMenuEntry,
    kPartMenuLine,
    kPartMenuChecked,
    kPartMenuSelected,
    kPartMenuSubmenu,
    kPartFamilyCount
};

enum GUI_Colour : int {
    kColBackLT,
    kColBackRT,
    kColBackLB,
    kColBackRB,
    kColWindowBack,
    kColTitleText,
    kColTitleTextInactive,
    kColLabel,
    kColLabelDisabled,
    kColFrameLabel,
    kColButtonText,
    kColButtonTextDisabled,
    kColButtonTextOn,
    kColTextLineText,
    kColTextLineTextDisabled,
    kColTextLineTextSelected,
    kColTextSelection,
    kColTextCursor,
    kColListText,
    kColListTextDisabled,
    kColListTextSelected,
    kColListSelection,
    kColListSelectionInactive,
    kColListColumnText,
    kColActiveBorder,
    kColHSliderFilling,
    kColVSliderFilling,
    kColHGaugeFilling,
    kColVGaugeFilling,
    kColProgressFilling,
    kColMenuText,
    kColMenuTextHover,
    kColMenuTextDisabled,
    kColMenuShortcut,
    kColMenuEntryHover,
    kColCount
};

enum GUI_Icon : int {
    kIconMinus,
    kIconPlus,
    kIconFineMinus,
    kIconFinePlus,
    kIconChoice,
    kIconFolder,
    kIconFile,
    kIconDrive,
    kIconCheck,
    kIconCount
};

enum GUI_FontId : int { kFontNormal, kFontBold, kFontMono, kFontCount };

// Layout settings the GUI reads, in pixels.
struct GUI_SkinMetrics {
    int height = 24;        // standard gadget height
    int minWidth = 72;      // narrowest push button
    int buttonBorder = 14;  // space left and right of a button's text
    int buttonSep = 4;      // between the small buttons of a number field
    int gadgetSepW = 10, gadgetSepH = 8, labelSepW = 8;
    int mainBorder = 14;   // inside a window, around its gadgets
    int titleBorder = 10;  // left of the title text
    int titleGadgetSep = 6;
    int textBorder = 6;  // inside text gadgets, left and right of the text
    int cursorSize = 2;
    int columnBorder = 6;  // inside list columns
    int spacing = 2;       // extra height of a list row
    int vscrollWidth = 14, hscrollHeight = 14;
    int iconSep = 6;
    int menuBarBorder = 4, menuTitleBorder = 10, menuTitleSep = 2;
    int menuCategoryBorder = 5, menuEntryBorder = 10, menuEntryHeight = 22;
    int shortcutSep = 28, checkableSep = 22;
    int categoryX = 0, categoryY = 2, subCategoryX = 2, subCategoryY = -5;
    int frameLabelBorder = 6;
};

// The caption a start-up screen shows while the skin loads.
inline constexpr const char* kSkinLoadCaption = "GUI: Load skin";

class GUI_Skin {
public:
    GUI_Skin() = default;
    ~GUI_Skin();
    GUI_Skin(const GUI_Skin&) = delete;
    GUI_Skin& operator=(const GUI_Skin&) = delete;

    // Loads `fileName` from `directory`: the markup, its themes (from the subdirectory
    // "themes"), the picture, the fonts; packs the parts into the mega texture and resolves
    // every name the GUI draws with. Throws "GUI_Skin::Load(): Couldn't open file", "Parse
    // error in skin file", "Skin item name not found", "Skin col name not found", "Font
    // name not found", "Icon name not found", "Config name not found", "GUI_Skin: Create
    // mega surface", "GUI::Skin::Load(): Font not parsed" and the library's picture and
    // font messages. On failure the skin is left empty.
    void Load(const std::string& directory, const std::string& fileName);
    void Free();
    bool IsLoaded() const { return texture != nullptr; }

    // Frees the device-side texture and builds it again (after the device was lost).
    void RestoreTexture();

    // Picks a theme by index (0 is the first); false when there is none with that index.
    bool SelectTheme(int index);
    int ThemeCount() const { return int(description.themes.size()); }
    const std::string& ThemeName(int index) const { return description.themes[index].name; }

    // A resolved part; a state the skin leaves out falls back to a related look.
    // Null only for a look the skin may leave out and that has no stand-in (the normal
    // look of a menu title, which is drawn on the bar without a part).
    const GUI_SkinPart* Part(GUI_PartFamily family, GUI_PartState state = kStateNormal) const {
        return parts[family][state];
    }
    DRELM_RGBA Colour(GUI_Colour c) const { return colours[c]; }
    const DRELM_Font* Font(GUI_FontId id) const { return fonts[id]; }
    const GUI_SkinMetrics& Metrics() const { return metrics; }
    const GUI_SkinDescription& Description() const { return description; }

    // Draws a part stretched over `rect` (widened by the part's extension), tinted by
    // `colour` (colour parts by the theme colour unless one is given). `frame` picks the
    // animation frame, `cell` the cell of a part with several.
    void DrawPart(const GUI_SkinPart* part, const Quelm::Rect& rect, DRELM_RGBA colour,
                  int frame = 0, int cell = 0) const;
    void DrawPart(GUI_PartFamily family, GUI_PartState state, const Quelm::Rect& rect) const;
    // Fixed-size parts are centred in `rect`. A single icon is tinted with `colour`; a
    // multi icon draws its cell for `state` (0 normal, 1 hover, 2 pressed, 3 disabled).
    void DrawIcon(GUI_Icon icon, int x, int y, DRELM_RGBA colour, int state = 0) const;
    int IconWidth(GUI_Icon icon) const;
    int IconHeight(GUI_Icon icon) const;

    // A configuration entry by name; throws "Config name not found".
    const std::vector<int>& Config(const std::string& name) const;
    // A theme colour by name from the selected theme; throws "Skin col name not found".
    DRELM_RGBA ThemeColour(const std::string& name) const;

private:
    void Resolve();
    void BuildMegaSurface(const std::string& directory);
    void LoadFonts(const std::string& directory);
    void ApplyTheme(int index);
    void FindUniformMiddle(GUI_SkinPart& part) const;
    void FillMiddle(const GUI_SkinPart& part, const Quelm::Rect& target, DRELM_RGBA colour) const;

    GUI_SkinDescription description;
    std::map<std::string, GUI_SkinPart> packed;  // parts with their places in the mega texture
    std::array<std::array<const GUI_SkinPart*, kStateCount>, kPartFamilyCount> parts{};
    std::array<GUI_SkinIcon, kIconCount> icons{};
    std::array<DRELM_RGBA, kColCount> colours{};
    std::array<DRELM_Font*, kFontCount> fonts{};
    std::vector<DRELM_Font*> ownedFonts;
    GUI_SkinMetrics metrics;
    DRELM_Surface* mega = nullptr;
    DRELM_Texture* texture = nullptr;
    int theme = 0;
};

// Checks that a parsed skin names everything the GUI draws with; throws "Skin item name
// not found", "Skin col name not found", "Icon name not found", "Font name not found" or
// "Config name not found" for the first kind that is missing.
void GUI_CheckSkinNames(const GUI_SkinDescription& description);

// Whether a name follows the skin vocabulary: the keys the GUI resolves (for tests and
// the skin documentation). Each entry is the key with its kind letter, e.g. "BGT_BUTTON".
std::vector<std::string> GUI_RequiredPartKeys();
std::vector<std::string> GUI_RequiredColourNames();
