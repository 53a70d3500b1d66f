// State shared by the parts of the GUI (windows, drawing, input, menus); not for callers.
#pragma once

#include <string>
#include <vector>

#include "gui/Gui.h"

// A menu entry or bar title with its children.
struct GUI_MenuNode {
    std::string label;
    std::string shortcut;
    int command = -1;
    uint32_t flags = 0;
    std::vector<GUI_MenuNode> children;
    Quelm::Rect rect;  // on screen while visible
};

// What the left mouse button is doing since it went down.
enum GUI_DragKind {
    kDragNone,
    kDragButton,        // a push button, check box or choice: acts on release
    kDragTitle,         // moving a window
    kDragResize,        // the resize grip
    kDragClose,         // the close gadget
    kDragNumberButton,  // minus / plus of a number field (repeats while held)
    kDragSliderGrip,
    kDragScrollGrip,   // a scroll bar's grip (gadget scroll bar or a list's / field's own)
    kDragScrollArrow,  // a scroll bar arrow (repeats while held)
    kDragScrollPage,   // the track beside the grip (repeats while held)
    kDragList,         // selecting in a list
    kDragText,         // selecting text
    kDragImage,
};

struct GUI::Impl {
    std::vector<GUI_MenuNode> menu;  // bar titles
    std::vector<int> menuPath;       // open drop-downs: title, then entry indices with submenus
    std::vector<int> menuHover;      // highlighted entry per open level (-1 none)
    int menuTitleHover = -1;
    std::vector<Quelm::Rect> menuPanels;  // one per open level
    bool menuPress = false;               // the left button went down on the menu
    bool altTap = false;                  // Alt went down and nothing else happened since
    std::string menuNote;                 // shown at the right end of the bar

    DRELM_Point mouse{-1, -1};
    GUI_DragKind drag = kDragNone;
    int dragWindow = -1;  // window number
    int dragGadget = -1;  // gadget index
    int dragPart = 0;     // button index, arrow direction, ...
    DRELM_Point dragOffset;
    int dragStartValue = 0;
    int repeatTicks = 0;
    int hoverWindow = -1;
    int hoverGadget = -1;
    bool mouseInside = false;  // the press is still over its gadget
};

namespace GUI_Detail {

// Whether a kind takes the keyboard focus.
bool Focusable(const GUI_Gadget& g);
// The list (or text field) area left of its scroll bar, the scroll bar, the header.
struct ListGeometry {
    Quelm::Rect inner;   // rows area
    Quelm::Rect header;  // empty when the list has no column titles
    Quelm::Rect scroll;  // empty when everything fits
    int rowHeight = 0;
    int rows = 0;  // rows that fit
};
ListGeometry ListLayout(const GUI_Skin& skin, const GUI_Gadget& g);
// Scroll bar pieces: arrows at both ends, the grip between them.
struct ScrollGeometry {
    Quelm::Rect back, less, more, grip;
    bool vertical = true;
};
ScrollGeometry ScrollLayout(const GUI_Skin& skin, const Quelm::Rect& r, bool vertical, int total,
                            int page, int position);
// The slider's grip rectangle for its value.
Quelm::Rect SliderGrip(const GUI_Skin& skin, const GUI_Gadget& g);
// The font a gadget's text uses.
const DRELM_Font* GadgetFont(const GUI_Skin& skin, const GUI_Gadget& g);
// Text field: the inner text area and the line height.
Quelm::Rect TextArea(const GUI_Skin& skin, const GUI_Gadget& g);
// A text field's own scroll bar, beside its text: where it is drawn and where it is pressed.
Quelm::Rect TextFieldScrollBar(const GUI_Skin& skin, const GUI_Gadget& g);
// A text field's rows: each line of its text wrapped at spaces to the width of its text
// area (inside a word that is wider than the area). A text line has one row.
const std::vector<GUI_TextRow>& TextRows(const GUI_Skin& skin, const GUI_Gadget& g);
// The row that shows the cursor at byte `offset` (a row that ends where the next begins
// leaves that offset to the next one).
int RowOf(const std::vector<GUI_TextRow>& rows, int offset);
// The character boundary within row `row` nearest to `x` pixels from the row's start.
int OffsetInRow(const DRELM_Font* font, const std::string& text, const GUI_TextRow& row, int x);
// Word-wraps `text` (which may hold line feeds) to `width` pixels.
std::vector<std::string> Wrap(const DRELM_Font* font, const std::string& text, int width);
// The part state of a gadget for drawing.
int ScrollMax(const GUI_Gadget& g, int rows);

// Kinds that switch on and off by themselves.
inline bool IsToggle(GUI_GadgetKind k) {
    return k == GT_CHECKBOX || k == GT_CHECKBUTTON || k == GT_SPEEDCHECKBUTTON;
}
// The push buttons, plain, small, flat and those that stay in.
inline bool IsPushButton(GUI_GadgetKind k) {
    return k == GT_BUTTON || k == GT_MBUTTON || k == GT_SPEEDBUTTON || k == GT_SPEEDCHECKBUTTON ||
           k == GT_SPEEDSELECTBUTTON || k == GT_CHECKBUTTON || k == GT_SELECTBUTTON;
}
// Kinds that act when clicked or when Space is pressed on them.
inline bool IsButtonLike(GUI_GadgetKind k) {
    return IsPushButton(k) || k == GT_CHECKBOX || k == GT_SELECTBOX || k == GT_WINDOW_MAXIMIZE;
}
// The change of a number field's button: fine minus, minus, plus, fine plus.
int NumberButtonDelta(const GUI_Gadget& g, int button);

}  // namespace GUI_Detail

// The mouse presses, drags and keys of each kind of gadget (GuiInput.cpp, GuiKeys.cpp).
// The press starts the drag its kind has; a key handler gives back whether it took the key.
struct GUI_Input {
    static void PressTextLine(GUI& gui, GUI_Window& w, GUI_Gadget& g, int button, int lx, int ly,
                              bool doubleClick, int modifiers);
    static void PressTextField(GUI& gui, GUI_Gadget& g, int lx, int ly, int modifiers);
    static void PressList(GUI& gui, GUI_Window& w, GUI_Gadget& g, int lx, int ly, bool doubleClick);
    static void PressSlider(GUI& gui, GUI_Window& w, GUI_Gadget& g, int lx, int ly);
    static void PressImage(GUI& gui, GUI_Window& w, GUI_Gadget& g, int lx, int ly, bool doubleClick,
                           int modifiers);

    static void DragText(GUI& gui, GUI_Gadget& g, int lx, int ly);
    static void DragList(GUI& gui, GUI_Window& w, GUI_Gadget& g, int ly);
    static void DragSlider(GUI& gui, GUI_Window& w, GUI_Gadget& g, int lx, int ly);
    static void DragScrollGrip(GUI& gui, GUI_Window& w, GUI_Gadget& g, int lx, int ly);

    static bool TextKey(GUI& gui, GUI_Window& w, GUI_Gadget& g, int key, int character,
                        int modifiers);
    // What a key did to a text gadget.
    enum class TextKeyResult {
        kNotTaken,  // the key is for someone else
        kMoved,     // the cursor or the view moved
        kChanged,   // the text changed
        kRefused,   // a number field's format refused a character: nothing else happens
    };
    static TextKeyResult TextMoveKey(GUI& gui, GUI_Window& w, GUI_Gadget& g, int key,
                                     int modifiers);
    static TextKeyResult TextEditKey(GUI& gui, GUI_Gadget& g, int key, int character,
                                     int modifiers);
    static TextKeyResult TextShortcut(GUI& gui, GUI_Gadget& g, int key);
    // Up, Down, Page Up and Page Down in an editable text field: rows as shown, keeping the
    // cursor's place across.
    static void MoveRows(GUI& gui, GUI_Gadget& g, int rows, bool select);
    static bool ListKey(GUI& gui, GUI_Window& w, GUI_Gadget& g, int key);
    static bool SliderKey(GUI& gui, GUI_Window& w, GUI_Gadget& g, int key);
};
