// The pattern view: cursor and selection frame, song position, editing values and the
// command executor through which every pattern change runs. Headless: the drawing code
// reads this state and the dirty flags.
#pragma once

#include <cstdint>
#include <mutex>

#include "editor/EditCommand.h"
#include "editor/EditOps.h"
#include "editor/UndoHistory.h"
#include "module/Module.h"

class Player;

// Redraw flags of `PatternView::dirty`.
enum RedrawFlag : uint32_t {
    kRedrawOverlay = 1,       // cursor, selection frame, play bar
    kRedrawLines = 2,         // all visible lines
    kRedrawRange = 4,         // lines redrawFirst .. redrawFirst + redrawCount - 1
    kRedrawTitles = 8,        // channel titles and all visible lines
    kRedrawInstruments = 16,  // instrument list and graph
    kRedrawOrderList = 32,
    kRedrawValues = 64,   // step, octave, volume, speed, stereo, test mode gadgets
    kRedrawTitle = 128,   // window title
    kRedrawMenus = 256,   // macro menu and Edit menu state
    kRedrawAll = 511,
    kRedrawAfterMove = 3,
    kRedrawAfterEdit = 387,
    kRedrawAfterOrderEdit = 419,
};

// Character positions of a line's fields in a layout template.
struct TemplateFields {
    int note, detune, instrument, volume, effect, param;  // of channel 0; + 24 per channel
    int global1Letters, global1Value, global2Letters, global2Value;
};

// Pixel layout of the columns for one screen size.
struct ColumnGeometry {
    bool narrow = false;
    int channelWidth = 156;
    int instrumentStart = 56;  // within a channel
    int effectStart = 104;     // within a channel
    int effectWidth = 52;
    int globalWidth = 56;
    int lineNumberWidth = 32;
    int lineHeight = 12;
    int titleHeight = 14;
    int areaWidth = 768;
    const char* layoutTemplate = nullptr;
    TemplateFields fields{};

    static ColumnGeometry ForScreen(int width);
    // Cursor column under x pixels from the left edge of the pattern area.
    int ColumnAt(int x) const;
};

// Pattern lines shown at once for a screen height.
int VisibleLinesForHeight(int height);

// What the shell gets back from a key the view could not handle alone.
enum class ShellAction : uint8_t {
    None,
    Handled,          // the view did it
    ToggleFullScreen,
    RunMacro,         // value = hotkey slot 0..11
    RunTemporaryMacro,
};
struct KeyResult {
    ShellAction action = ShellAction::None;
    int value = 0;
};

// Plug-in points the shell and the other editor parts fill. Plain function pointers, so
// the view stays a plain object.
struct EditorHooks {
    // Every command ExecuteCommand runs (and mouse selections) while a macro records.
    void (*recordCommand)(void* context, const EditCommand& cmd) = nullptr;
    void* recordContext = nullptr;
    // A complete English sentence for the message requester.
    void (*showMessage)(void* context, const char* text) = nullptr;
    void* messageContext = nullptr;
    // Cut, copy and paste (codes 64-66), with the normalised frame.
    void (*clipboardCommand)(void* context, PatternView& view, const EditCommand& cmd) = nullptr;
    void* clipboardContext = nullptr;
};

class PatternView {
public:
    char lineText[256] = {};
    uint8_t lineColours[256] = {};
    uint32_t dirty = kRedrawAll;
    uint16_t redrawFirst = 0, redrawCount = 0;
    int32_t anchorColumn = 0, anchorLine = 0;
    int32_t cursorColumn = 0, cursorLine = 0;
    ColumnGeometry geometry;
    uint8_t songPosition = 0;
    uint8_t currentPattern = 0;
    uint8_t currentInstrument = 0;
    uint8_t instrumentListScroll = 0;
    uint8_t step = 1;
    uint8_t octave = 3;  // shown octave + 2
    uint8_t volume = 15;
    uint8_t playLine = 0;
    uint8_t testMode = 0;
    uint8_t following = 0;
    int16_t orderListScroll = 0;
    int16_t scrollTop = 0;
    uint16_t visibleLines = 32;
    uint32_t channelMask = 0xFFFFFFFFu;

    // Not drawn: the bound objects, options and plug-ins.
    Module* module = nullptr;
    UndoHistory* undo = nullptr;
    Player* player = nullptr;
    std::recursive_mutex* playerLock = nullptr;
    EditorHooks hooks;
    bool wrapVolume = false;        // "Wrap volume"
    // Keys may move the cursor and sound notes but not change the pattern.
    bool writeProtected = false;
    int orderListRows = 8;          // rows of the order list, for centring the position

    // Start-up: binds the module and history, lays the view out for the screen and puts
    // every editing value to its reset value.
    void Setup(Module& module, UndoHistory& undo, int screenWidth, int screenHeight);
    // The video mode changed.
    void SetScreen(int screenWidth, int screenHeight);
    // The player the note keys sound on and its lock (the sound mutex).
    void BindPlayer(Player* player, std::recursive_mutex* lock);
    // After a module was made or loaded: song position 0, cursor home, everything redrawn.
    void ResetForModule();

    Pattern& CurrentPattern() { return module->patterns[currentPattern]; }
    const Pattern& CurrentPattern() const { return module->patterns[currentPattern]; }
    int PatternLength() const { return module->patterns[currentPattern].length; }

    // Cursor and frame.
    void MoveCursor(int extend, int dx, int dy);
    Frame GetSelection() const;
    ViewState GetViewState() const;
    void SetViewState(const ViewState& state);
    void SetSongPosition(int position);
    void ScrollTo(int line);
    void ScrollBy(int lines);
    void EnsureVisible(int firstLine, int count);
    // Puts both corners and scrollTop back into range (the pattern may have shrunk).
    void Clamp();
    void CenterOrderList();

    void Invalidate(uint32_t flags) { dirty |= flags; }
    // Flag 4 for lines first..first+count-1, merged with a range already pending.
    void InvalidateLines(int first, int count);

    // Runs one command (appending it to a macro being recorded first).
    void ExecuteCommand(const EditCommand& cmd);
    // The same for the Edit menu: editing commands are ignored while following playback.
    // False when the command was ignored.
    bool ExecuteMenuCommand(const EditCommand& cmd);
    // Enter / Backspace, with Shift on the frame's columns only.
    void InsertLine(bool columnsOnly);
    void DeleteLine(bool columnsOnly);
    bool Undo();
    bool Redo();

    // A key press from the dispatcher: scan code, modifier bits, repeat flag.
    KeyResult HandleKey(uint8_t scanCode, uint32_t modifiers, bool repeat);
    // Plays a note on the frame's channel as a test note; false when nothing sounded.
    bool SoundNote(uint8_t note);
    // Writes a note on the line being played (while following), one undo step.
    bool RecordLiveNote(uint8_t note);

    // Called each frame while playing, with the replayer's line and song position.
    void FollowPlayback(int line, int position);
    // The same, reading the bound player under its lock.
    void FollowPlayback();

    // Selection set by the mouse through the list gadget: recorded as a move command.
    void SetSelectionFromMouse(int anchorCol, int anchorLn, int cursorCol, int cursorLn);
    // Channel title clicks: mute toggle and solo.
    void ToggleChannel(int channel);
    void SoloChannel(int channel);

    // Shows a message through the hook (tests and tools without one see nothing).
    void Message(const char* text) const;

private:
    void ScrollFrameIntoView(const Frame& frame);
    void AfterEdit(const Frame& frame);
    void ExecuteEdit(const EditCommand& cmd, const Frame& frame);
    void EnterNote(const EditCommand& cmd, const Frame& frame);
    void DoubleOrHalf(const EditCommand& cmd, const Frame& frame);
    void Gradient(const Frame& frame);
    void ApplyMaskToPlayer();
    void SetFrameHeight(const Frame& frame, int height);
};
