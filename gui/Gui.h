// The GUI toolkit: windows built from static gadget descriptions, menus, GUI events and
// the pump that feeds them from the graphics library, all drawn with the skin.
//
// A dialog is a list of GUI_GadgetDesc handed to GUI::OpenWindow with a window number, a
// title and a width. Gadgets are numbered from 0 in the order of their descriptions; the
// decorations (frames, labels, spacer bars) and the list columns and entries that follow
// a list take no number. The caller then runs a modal loop (GUI_RunModal) that reacts to
// GUI events until the dialog is decided.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Drelm.h"
#include "gui/Skin.h"
#include "gui/TextEdit.h"

enum GUI_GadgetKind : uint8_t {
    GT_BUTTON,
    GT_MBUTTON,            // a small button
    GT_SPEEDBUTTON,        // a flat tool button
    GT_SPEEDCHECKBUTTON,   // a flat tool button that stays on or off
    GT_SPEEDSELECTBUTTON,  // a flat tool button, one of a group (same `group`)
    GT_CHECKBUTTON,        // a push button that stays on or off
    GT_SELECTBUTTON,       // a push button, one of a group (same `group`)
    GT_CHECKBOX,
    GT_SELECTBOX,    // a cycle of choices: `text` holds them separated by "\n"; value -1 none
    GT_TEXTLINE,     // one line of text (`text` "%20s") or a number (`text` "%3D")
    GT_TEXTFIELD,    // several lines of text; GUI_READONLY for showing text
    GT_LIST,         // followed by its GT_LIST_COL and GT_LIST_ENTRY descriptions
    GT_LIST_ENTRY,   // one row: columns separated by "\t"
    GT_LIST_COL,     // a column: `label` the heading, `width` its width in pixels
    GT_FRAME,        // a group frame around `rows` x `columns` cells
    GT_FRAME_LABEL,  // a group frame with the title `label`
    GT_IMAGE,        // an area drawn by the caller's `draw` function
    GT_HGAUGE,
    GT_VGAUGE,
    GT_PROGRESSBAR,
    GT_HSLIDER,
    GT_VSLIDER,
    GT_HSCRBAR,  // `max` is the total, `page` the visible part
    GT_VSCRBAR,
    GT_HSPACE_BAR,  // a horizontal line between rows
    GT_VSPACE_BAR,
    GT_HVSPACE_BAR,  // empty space
    GT_WINDOW_CLOSE,
    GT_WINDOW_MAXIMIZE,
    GT_WINDOW_RESIZE,
    GT_LABEL,  // plain text, several lines allowed
    GT_KIND_COUNT
};

// Description flags.
enum : uint32_t {
    GUI_DISABLED = 1,
    GUI_READONLY = 2,
    GUI_DEFAULT = 4,         // Return activates this button (unless a list, a multi-line
                             // field or the focused button uses it)
    GUI_CANCEL = 8,          // Escape activates this button
    GUI_CHECKED = 16,        // check boxes and toggle buttons start on
    GUI_FINE = 32,           // number fields: fine minus/plus buttons beside minus/plus
    GUI_NO_BUTTONS = 64,     // number fields: no minus/plus buttons
    GUI_FOCUS = 128,         // takes the keyboard focus when the window opens
    GUI_CENTER = 256,        // labels: centred text
    GUI_MONO = 512,          // text in the fixed-width font
    GUI_FILL = 1024,         // stretch to the whole cell (buttons are as wide as their text)
    GUI_ALIGN_RIGHT = 2048,  // buttons: pushed to the right end of their cell
    GUI_BYTE_LIMIT = 4096,   // text lines: the format's width counts bytes of UTF-8, for
                             // text kept in a field of fixed size
    GUI_RETURN_NEXT = 8192,  // text lines: Return moves on to the next field instead of
                             // activating the default button
};

struct GUI_Window;
namespace GUI_Detail {
struct ScrollGeometry;
}

// One gadget description. Row and column place it in the window's grid; `columns`
// and `rows` are the cells it spans (a frame spans the cells of its group). The grid has
// as many equal columns as the widest row needs.
struct GUI_GadgetDesc {
    GUI_GadgetKind kind = GT_BUTTON;
    int16_t row = 0;
    int16_t column = 0;
    int16_t columns = 1;
    int16_t rows = 1;
    const char* label = nullptr;    // button text, field label on the left, frame title, label text
    const char* text = nullptr;     // choices of a select box; format of a text line or field
    const char* content = nullptr;  // initial text of a text line or field, or a list entry
    int32_t min = 0;
    int32_t max = 0;
    int32_t value = 0;  // number, choice, check state, slider/gauge position
    uint32_t flags = 0;
    int16_t width = 0;   // list columns: pixels; others: a minimum width
    int16_t height = 0;  // lists and text fields: visible lines; images: pixels
    int16_t group = 0;   // select buttons of one group
    int32_t step = 1;    // number fields: change of minus/plus (fine buttons: 1)
    int32_t page = 0;    // scroll bars: visible part
    int32_t scale = 8;   // "%2D.%3D" fields: value units per whole number
    // GT_IMAGE: draws the area (screen coordinates) each frame.
    std::function<void(const Quelm::Rect&)> draw = nullptr;
};

// GUI event types.
enum : int {
    GUI_EVENT_ACTIVATED = 5,      // a button released, a check box or choice changed
    GUI_EVENT_NUMBER = 9,         // a number field's value changed (`value`)
    GUI_EVENT_TEXT = 10,          // a text gadget's text changed by the user
    GUI_EVENT_TEXT_ENTERED = 11,  // Return in a text line
    GUI_EVENT_KEY = 14,           // a key no gadget took: `key`, `character`, `modifiers`, `repeat`
    GUI_EVENT_KEY_UP = 15,        // a key released
    GUI_EVENT_MENU = 16,          // a menu entry chosen: `gadget` is its command number
    GUI_EVENT_CLOSE = 17,         // the close gadget of window `window` was clicked
    GUI_EVENT_SLIDER = 18,        // a slider or scroll bar moved (`value`)
    GUI_EVENT_LIST = 19,          // a list selection changed (`value`: the entry, -1 none)
    GUI_EVENT_LIST_ACTIVATED = 20,  // a list entry double-clicked or Return pressed on it
    GUI_EVENT_RESTORE = 21,         // the graphics device must be restored
    GUI_EVENT_IMAGE_DOWN = 22,      // left button pressed on an image (`x`, `y` inside it)
    GUI_EVENT_IMAGE_MOVE = 23,      // mouse moved over an image, or dragged from it
    GUI_EVENT_IMAGE_UP = 24,        // left button released after an image press
    GUI_EVENT_IMAGE_WHEEL = 25,     // wheel over an image (`value`: notches, > 0 up)
    GUI_EVENT_QUIT = 26,            // the user asked to close the program's window
    GUI_EVENT_FOCUS_LEFT = 27,      // a text line lost the keyboard focus (after a number
                                    // field's own GUI_EVENT_NUMBER)
};

struct GUI_Event {
    int type = 0;
    int gadget = -1;
    int window = -1;      // the window number
    int key = 0;          // key events: the scan code
    int character = 0;    // key events: the typed character (0 for none)
    int modifiers = 0;    // key events: DRELM_MOD_* bits
    bool repeat = false;  // key events: automatic repeat; image press: double click
    int value = 0;
    int x = 0, y = 0;
};

// Menu descriptions: a flat list where `level` 0 is a title on the bar, 1 an entry of its
// drop-down, 2 an entry of the submenu opened by the level-1 entry before it, and so on.
enum : uint32_t {
    GUI_MENU_SEPARATOR = 1,
    GUI_MENU_CHECKABLE = 2,  // shows a check mark while checked
    GUI_MENU_CHECKED = 4,
    GUI_MENU_SELECTABLE = 8,  // one of a group: a dot marks the selected one
    GUI_MENU_DISABLED = 16,
};

struct GUI_MenuDesc {
    int level = 0;
    const char* label = nullptr;
    int command = -1;
    const char* shortcut = nullptr;
    uint32_t flags = 0;
};

// Window flags.
enum : uint32_t {
    GUI_WINDOW_MODAL = 1,     // blocks the windows open before it
    GUI_WINDOW_NO_CLOSE = 2,  // no close gadget in the title bar
    GUI_WINDOW_MAIN = 4,      // the backdrop window: no title bar, fills `rect`, stays below
    GUI_WINDOW_NO_TITLE = 8,
};

struct GUI_ListColumn {
    std::string title;
    int width = 0;
};

// A row of a text field as shown: a byte range of its text (without the line feed).
struct GUI_TextRow {
    int start = 0;
    int end = 0;
};

// A gadget of an open window (coordinates relative to the window's inside).
struct GUI_Gadget {
    GUI_GadgetDesc desc;
    int number = -1;
    Quelm::Rect rect;       // the gadget's box
    Quelm::Rect labelRect;  // its label on the left, if any
    std::string label;
    bool enabled = true;
    bool checked = false;
    int value = 0;
    std::vector<std::string> choices;
    std::vector<std::string> lines;  // labels: the text wrapped to the width
    std::string source;              // read-only text fields: the text before wrapping
    bool wrapDirty = false;          // read-only text fields: wrap `source` before drawing

    // Text gadgets.
    GUI_TextEdit edit;
    int maxLength = 255;
    bool numeric = false;
    bool hex = false;
    int digits = 0, decimals = 0;  // number format
    int scrollX = 0;               // text lines: first visible pixel
    int scrollLine = 0;            // text fields: first visible row
    // Text fields: the text wrapped to rows, made again when the text or width changes.
    mutable std::vector<GUI_TextRow> rows;
    mutable unsigned rowsRevision = 0;
    mutable int rowsWidth = -1;
    Quelm::Rect buttons[4];  // number fields: fine minus, minus, plus, fine plus
    int pressedButton = -1;
    int repeatTimer = 0;

    // Lists.
    std::vector<GUI_ListColumn> columns;
    std::vector<std::string> entries;
    std::vector<int> entryIcons;  // a GUI_Icon before each entry's first column, -1 for none
    int scrollTop = 0;
    int visibleRows = 0;

    bool IsDecoration() const;
};

// Frames, labels, bars and list parts: a window gives them no gadget number.
bool GUI_IsDecoration(GUI_GadgetKind kind);

struct GUI_Window {
    int number = 0;
    std::string title;
    uint32_t flags = 0;
    Quelm::Rect rect;  // outer box on the screen
    std::vector<GUI_Gadget> gadgets;
    std::vector<int> blocks;  // numbers of windows open when this modal one opened
    int focus = -1;           // index into gadgets
    Quelm::Rect closeRect;    // relative to the window

    // Gadget access by gadget number (not by index); unknown numbers are ignored / give 0.
    GUI_Gadget* Gadget(int number);
    const GUI_Gadget* Gadget(int number) const;
    void SetText(int gadget, const std::string& text);
    std::string Text(int gadget) const;
    void SetValue(int gadget, int value);  // numbers (clamped), sliders, gauges, choices
    int Value(int gadget) const;
    void SetChecked(int gadget, bool on);
    bool Checked(int gadget) const;
    void SetChoices(int gadget, const std::string& choices);  // "a\nb\nc"
    void SetEnabled(int gadget, bool on);
    void SetListEntries(int gadget, const std::vector<std::string>& entries);
    // Icons (GUI_Icon values, -1 for none) shown before the entries' first column.
    void SetListIcons(int gadget, const std::vector<int>& icons);
    int ListSelection(int gadget) const;  // -1 for none
    void SetListSelection(int gadget, int entry);
    void SetRange(int gadget, int min, int max);
    // The inside of the window (below the title bar), in screen coordinates.
    Quelm::Rect Inside() const;
    int titleHeight = 0;
};

class GUI {
public:
    static constexpr int kMaxWindows = 32;

    GUI();
    ~GUI();
    GUI(const GUI&) = delete;
    GUI& operator=(const GUI&) = delete;

    // Starts the toolkit on `screen`: loads `skinFile` from the directory "skins" under
    // `programDirectory`. Throws the skin's exceptions.
    void Init(DRELM_Screen* screen, const std::string& programDirectory,
              const std::string& skinFile = "default.skin");
    // The same with the skin directory given directly (tests, tools).
    void InitFromSkinDirectory(DRELM_Screen* screen, const std::string& skinDirectory,
                               const std::string& skinFile = "default.skin");
    void Shutdown();
    GUI_Skin& Skin() { return skin; }
    int ScreenWidth() const;
    int ScreenHeight() const;

    // Opens a window centred on the screen (`width` pixels wide, as high as its gadgets
    // need). Gives back null when the number is already open (that window comes to the
    // front) or all 32 slots are used.
    GUI_Window* OpenWindow(int number, const char* title, int width, const GUI_GadgetDesc* descs,
                           int count, uint32_t flags = GUI_WINDOW_MODAL);
    GUI_Window* OpenWindow(int number, const char* title, int width,
                           const std::vector<GUI_GadgetDesc>& descs,
                           uint32_t flags = GUI_WINDOW_MODAL) {
        return OpenWindow(number, title, width, descs.data(), int(descs.size()), flags);
    }
    // Opens the backdrop window over `rect` (no title bar, always below the others).
    GUI_Window* OpenMainWindow(int number, const Quelm::Rect& rect, const GUI_GadgetDesc* descs,
                               int count);
    void CloseWindow(GUI_Window* window);
    void CloseWindow(int number);
    GUI_Window* FindWindow(int number);
    int WindowCount() const { return int(windows.size()); }
    GUI_Window* FrontWindow();
    void MoveWindow(GUI_Window* window, int x, int y);

    // The menu bar along the top of the screen; an empty list removes it.
    void SetMenu(const GUI_MenuDesc* items, int count);
    void SetMenuChecked(int command, bool checked);
    void SetMenuEnabled(int command, bool enabled);
    void SetMenuLabel(int command, const std::string& label);
    // A short state shown at the right end of the menu bar, marked so that it is seen
    // ("" shows nothing).
    void SetMenuBarNote(const std::string& note);
    const std::string& MenuBarNote() const;
    bool MenuChecked(int command) const;
    bool MenuEnabled(int command) const;
    int MenuBarHeight() const;
    bool MenuOpen() const;
    // Opens the drop-down of bar title `index` (for tests and keyboard access); -1 closes.
    void OpenMenu(int index);

    // Takes every input event from the library and advances the GUI clock: one timer step
    // per whole 0.01 s (the elapsed time is capped at 0.1 s, the rest is carried).
    void Pump();
    // The parts of the pump, for tests: one input event, and time passing.
    void HandleInput(const DRELM_Event& event);
    void AdvanceClock(double seconds);
    // Replaces the clock the pump reads (seconds); null restores the steady clock.
    void SetClock(std::function<double()> clock);

    bool GetEvent(GUI_Event& event);
    void PostEvent(const GUI_Event& event);

    // Draws the background, the windows from the bottom up and the open menu.
    void Draw();
    // Drops and rebuilds the device resources after the device was lost.
    void RestoreDevice();

    // Called by every modal loop once per frame before drawing (the tracker syncs with its
    // sound thread here) and on event 21 (the tracker restores the display).
    void SetModalHooks(std::function<void()> frame, std::function<void()> restore);
    void RunFrameHook();
    void RunRestoreHook();

    // Text clipboard (the system's, unless replaced for tests).
    void SetClipboardText(const std::string& text);
    std::string ClipboardText() const;
    void SetClipboard(std::function<void(const std::string&)> set,
                      std::function<std::string()> get);

    // Keyboard focus by gadget number in the front window.
    void SetFocus(GUI_Window* window, int gadget);
    int Focus(const GUI_Window* window) const;

    // Screen position of a gadget's centre (tests click there).
    DRELM_Point GadgetCenter(const GUI_Window* window, int gadget) const;
    Quelm::Rect GadgetRect(const GUI_Window* window, int gadget) const;
    // The screen rectangle of a menu entry by command number while its menu is open, or of
    // bar title `index` with command -1.
    Quelm::Rect MenuEntryRect(int command) const;
    Quelm::Rect MenuTitleRect(int index) const;
    // The same for an entry found by its label (entries that open submenus have no command).
    Quelm::Rect MenuEntryRect(const std::string& label) const;

    int Ticks() const { return ticks; }
    // Counts the input events handed to the GUI, so that a loop can tell an idle frame
    // (nothing to draw anew) from a busy one.
    uint32_t InputSerial() const { return inputSerial; }

private:
    struct Menu;
    struct Impl;

    void Layout(GUI_Window& w, int width);
    void DrawWindow(const GUI_Window& w, bool front) const;
    void DrawGadget(const GUI_Window& w, const GUI_Gadget& g, bool focused) const;
    void WrapTextFields();
    void DrawMenuBar() const;
    void DrawMenus() const;
    void Tick();

    // Input (GuiInput.cpp).
    void Post(int type, const GUI_Window* w, int gadget, int value = 0);
    bool Blocked(const GUI_Window& w) const;
    bool AnyModal() const;
    GUI_Window* WindowAt(int x, int y);
    GUI_Window* KeyWindow();
    void BringToFront(GUI_Window* w);
    void MouseMove(int x, int y, bool report = true);
    void MouseDown(bool doubleClick, int modifiers);
    // A press on gadget `g` (on number field button `button`, or -1) starts its kind's drag.
    void PressGadget(GUI_Window& w, GUI_Gadget& g, int button, int x, int y, bool doubleClick,
                     int modifiers);
    void MouseUp();
    void Wheel(int notches);
    void Key(int key, int character, int modifiers, bool repeat);
    bool GadgetKey(GUI_Window& w, GUI_Gadget& g, int key, int character, int modifiers);
    // Activates the window's first enabled button with `flag` (GUI_DEFAULT, GUI_CANCEL).
    bool PressButtonWith(GUI_Window& w, uint32_t flag);
    void Activate(GUI_Window& w, GUI_Gadget& g, int modifiers);
    void ChangeFocus(GUI_Window& w, int index);
    // Tab and Shift+Tab: the next (`direction` 1) or previous gadget that takes the focus.
    void MoveFocus(GUI_Window& w, int direction);
    void CommitNumber(GUI_Window& w, GUI_Gadget& g);
    void StepNumber(GUI_Window& w, GUI_Gadget& g, int delta);
    void ScrollTo(GUI_Window& w, GUI_Gadget& g, int position);
    void EnsureCursorVisible(GUI_Gadget& g);
    void DragTo(GUI_Window& w, GUI_Gadget& g, int x, int y);
    void RepeatAction();
    // A press on a scroll bar: grabs the grip, or starts the repeating step of an arrow
    // or of the track on either side of the grip.
    void PressScrollBar(const GUI_Detail::ScrollGeometry& s, int x, int y);
    void TextChanged(GUI_Window& w, GUI_Gadget& g);

    // Menus (GuiMenu.cpp).
    void LayoutMenus();
    bool MenuMouseDown(int x, int y);
    bool MenuMouseMove(int x, int y);
    bool MenuMouseUp(int x, int y);
    bool MenuKey(int key);
    void ChooseMenuEntry(const std::vector<int>& path);
    void CloseMenus();

    GUI_Skin skin;
    DRELM_Screen* screen = nullptr;
    std::vector<std::unique_ptr<GUI_Window>> windows;  // bottom first
    std::vector<GUI_Event> events;
    size_t eventRead = 0;
    std::function<double()> clock;
    double lastTime = -1;
    double accumulator = 0;
    int ticks = 0;
    uint32_t inputSerial = 0;
    std::function<void()> frameHook, restoreHook;
    std::function<void(const std::string&)> clipboardSet;
    std::function<std::string()> clipboardGet;
    std::unique_ptr<Impl> impl;
    // The screen's background gradient, drawn once and copied each frame.
    DRELM_Texture* background = nullptr;
    uint32_t backgroundKey[5] = {};
    void DrawBackground();

    friend struct GUI_Input;
    friend struct GUI_Painter;
    friend struct GUI_MenuSystem;
};

// The modal loop every dialog runs: update the input, pump the GUI, hand each GUI event to
// `handle` (which gives back true once the dialog is decided), run the frame hook, draw
// and present. Event 21 runs the restore hook and is not handed on. Gives back when
// `handle` has decided or the window was closed by someone else.
void GUI_RunModal(GUI& gui, GUI_Window* window,
                  const std::function<bool(const GUI_Event&)>& handle);
