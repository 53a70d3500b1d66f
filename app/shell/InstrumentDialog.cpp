// The "Instrument Editor": a working copy of the 16 instruments, every field of one of
// them, its envelope and vibrato graph, test notes from three keyboards, and the
// instrument clipboard shared with other running copies through the desktop clipboard.
#include "app/shell/InstrumentDialog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/shell/Commands.h"
#include "app/shell/DialogParts.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/InstrumentDraw.h"
#include "app/shell/MidiBinding.h"
#include "app/shell/Shell.h"
#include "editor/InstrumentEdit.h"
#include "editor/KeyMap.h"
#include "gui/Requesters.h"
#include "module/Module.h"

namespace {

constexpr int kColumns = 12;
constexpr int kPhases = 5;

GUI_GadgetDesc Number(int row, int column, int columns, const char* label, const char* format,
                      int max, uint32_t flags = GUI_NO_BUTTONS) {
    GUI_GadgetDesc d = dialog::Gadget(GT_TEXTLINE, row, column, columns, label);
    d.text = format;
    d.max = max;
    d.flags = flags;
    return d;
}

GUI_GadgetDesc Text(int row, int column, int columns, const char* format) {
    GUI_GadgetDesc d = dialog::Gadget(GT_TEXTLINE, row, column, columns, nullptr);
    d.text = format;
    return d;
}

GUI_GadgetDesc Label(int row, int column, int columns, const char* text) {
    return dialog::Gadget(GT_LABEL, row, column, columns, text);
}

// The test notes' octave, kept from one opening to the next. It starts where every key of
// the keyboard gadget is playable on a tone channel.
uint8_t gTestOctave = 2;

const char* const kRowLabels[kPhases] = {"#0:", "#1:", "#2:", "#3:", "#4:"};

// Everything the open dialog works on.
struct Dialog {
    InstrumentEditor editor;
    std::unique_ptr<TestVoices> voices;
    // The graph as last rendered, and for which instrument and size.
    DRELM_Surface surface;
    DRELM_Texture* texture = nullptr;
    Instrument drawn{};
    bool drawnValid = false;
    // Sources of sounding test notes with the gadget key each lights.
    std::vector<std::pair<int, int>> keys;
    bool mouseDown = false;
    int mouseSemitone = -1;

    ~Dialog() { DRELM_FreeTexture(texture); }
    Instrument& Current() { return editor.working[editor.current]; }

    void DrawGraph(const Quelm::Rect& r) {
        if (r.width <= 0 || r.height <= 0) return;
        const Instrument& instrument = Current();
        const bool stale = !drawnValid || std::memcmp(&drawn, &instrument, sizeof drawn) != 0 ||
                           !texture || texture->Width() != r.width || texture->Height() != r.height;
        if (stale) {
            RenderInstrumentGraph(editor.Graph(r.width, r.height), surface);
            if (!texture || texture->Width() != r.width || texture->Height() != r.height) {
                DRELM_FreeTexture(texture);
                texture = DRELM_CreateTexture(r.width, r.height, DRELM_FORMAT_X8R8G8B8);
            }
            surface.CopyToTexture(texture);
            drawn = instrument;
            drawnValid = true;
        }
        texture->Blit(r.x, r.y);
    }
    uint32_t HeldKeys() {
        uint32_t held = 0;
        keys.erase(std::remove_if(keys.begin(), keys.end(),
                                  [this](const std::pair<int, int>& k) {
                                      return !voices->IsSounding(k.first);
                                  }),
                   keys.end());
        for (const auto& k : keys) held |= 1u << k.second;
        return held;
    }
    // The note a semitone above C of the "Octave:" octave plays: on "Noise" one of the
    // eight noise values, as the MIDI keys pick them.
    uint8_t NoteFor(int semitone) const {
        if (editor.type) return uint8_t(kNotePeriodicHigh + semitone % 8);
        return editor.TestNote(semitone);
    }
    // A started note lights a key of the gadget; a source (the mouse sliding over the
    // keys) lights only the key it sounds now. -1 lights none.
    void Light(int source, int key) {
        keys.erase(
            std::remove_if(keys.begin(), keys.end(),
                           [source](const std::pair<int, int>& k) { return k.first == source; }),
            keys.end());
        if (key >= 0 && key < kKeyboardSemitones) keys.push_back({source, key});
    }
    // `key` is the gadget key pressed, or -1 for the key that plays `note`.
    void Play(int source, uint8_t note, int key = -1) {
        if (note == kNoteEmpty) return;
        if (voices->Start(source, editor.type, Current(), note) < 0) return;
        Light(source, key >= 0 ? key : editor.KeyboardKey(note));
    }
};

// The editor while it is open, for the keys its keyboard lights.
Dialog* gOpenDialog = nullptr;

std::vector<GUI_GadgetDesc> Descriptions(Dialog& dialog, int screenHeight) {
    const bool tall = screenHeight >= 600;
    std::vector<GUI_GadgetDesc> d;
    // The list spans one row more than the fields beside it: a taller list lengthens that
    // empty row instead of the last phase row.
    GUI_GadgetDesc list = dialog::Gadget(GT_LIST, 0, 0, 4, nullptr);
    list.rows = 9;
    list.height = tall ? 14 : 10;
    d.push_back(list);
    d.push_back(dialog::Column(nullptr, 28));
    d.push_back(dialog::Column(nullptr));
    d.push_back(Label(0, 4, 2, "Name:"));
    GUI_GadgetDesc name = Text(0, 6, 6, "%32s");
    name.flags = GUI_BYTE_LIMIT;
    d.push_back(name);
    d.push_back(Label(1, 4, 2, "Start volume:"));
    d.push_back(Text(1, 6, 2, "%6s"));
    d.push_back(Label(2, 4, 2, "Delay:"));
    d.push_back(Label(2, 6, 2, "Volume add:"));
    d.push_back(Label(2, 8, 2, "Vib. spd.:"));
    d.push_back(Label(2, 10, 2, "Vib. str.:"));
    for (int p = 0; p < kPhases; ++p) {
        const int row = 3 + p;
        if (p < 4)
            d.push_back(Number(row, 4, 2, kRowLabels[p], "%3D", 255));
        else
            d.push_back(Label(row, 4, 1, kRowLabels[p]));
        d.push_back(Text(row, 6, 2, "%6s"));
        d.push_back(Number(row, 8, 2, nullptr, "%1D", 3));
        d.push_back(Number(row, 10, 2, nullptr, "%2D", 15));
    }
    GUI_GadgetDesc filler = dialog::Gadget(GT_HVSPACE_BAR, 8, 4, 8, nullptr);
    filler.height = 1;
    d.push_back(filler);
    GUI_GadgetDesc graph = dialog::Gadget(GT_IMAGE, 9, 0, kColumns, nullptr);
    // On the small screen the graph gives up the pixels the dialog needs to fit whole.
    graph.height = int16_t(tall ? 80 : 36);
    graph.draw = [&dialog](const Quelm::Rect& r) { dialog.DrawGraph(r); };
    d.push_back(graph);
    GUI_GadgetDesc keyboard = dialog::Gadget(GT_IMAGE, 10, 0, 9, nullptr);
    keyboard.rows = 2;
    keyboard.height = 56;
    keyboard.draw = [&dialog](const Quelm::Rect& r) { DrawKeyboard(r, dialog.HeldKeys()); };
    d.push_back(keyboard);
    d.push_back(Number(10, 9, 3, "Octave:", "%1D", 8, 0));
    GUI_GadgetDesc type = dialog::Gadget(GT_SELECTBOX, 11, 9, 3, "Type:");
    type.text = "Tone\nNoise";
    d.push_back(type);
    const char* buttons[] = {"Copy", "Paste", "Reset...", "Okay", "Cancel"};
    const int columns[] = {0, 2, 4, 8, 10};
    for (int i = 0; i < 5; ++i) {
        GUI_GadgetDesc b = dialog::Gadget(GT_BUTTON, 12, columns[i], 2, buttons[i]);
        if (i == 3) b.flags = GUI_DEFAULT;
        if (i == 4) b.flags = GUI_CANCEL;
        d.push_back(b);
    }
    return d;
}

void ShowList(GUI_Window& w, const InstrumentEditor& editor) {
    std::vector<std::string> rows;
    char number[8];
    for (int i = 0; i < kInstruments; ++i) {
        std::snprintf(number, sizeof number, "%02d\t", i);
        rows.push_back(number + FormatInstrumentRow(editor.working[i]));
    }
    w.SetListEntries(kInsList, rows);
    w.SetListSelection(kInsList, editor.current);
}

void ShowInstrument(GUI_Window& w, const InstrumentEditor& editor) {
    const Instrument& i = editor.working[editor.current];
    w.SetText(kInsName, std::string(i.name, strnlen(i.name, kNameLength)));
    w.SetText(kInsStartVolume, FormatStartVolume(i.startVolume));
    for (int p = 0; p < kPhases; ++p) {
        if (p < 4) w.SetValue(InstrumentPhaseGadget(p, kPhaseDelay), i.delay[p]);
        w.SetText(InstrumentPhaseGadget(p, kPhaseVolumeAdd), FormatVolumeAdd(i.volumeAdd[p]));
        w.SetValue(InstrumentPhaseGadget(p, kPhaseVibSpeed), i.vibSpeed[p]);
        w.SetValue(InstrumentPhaseGadget(p, kPhaseVibStrength), i.vibStrength[p]);
    }
}

// Which field a gadget is: its phase and kind, or false.
bool PhaseOf(int gadget, int& phase, PhaseField& field) {
    for (phase = 0; phase < kPhases; ++phase)
        for (int f = kPhaseDelay; f <= kPhaseVibStrength; ++f)
            if (InstrumentPhaseGadget(phase, PhaseField(f)) == gadget) {
                field = PhaseField(f);
                return true;
            }
    return false;
}

void SetName(Instrument& i, const std::string& text) {
    std::memset(i.name, 0, sizeof i.name);
    std::memcpy(i.name, text.data(), std::min<size_t>(text.size(), kNameLength));
}

// A typed level: taken (clamped) while it reads; on Return and when the field is left it
// shows the value it holds, as a number field does.
void LevelField(GUI& gui, GUI_Window& w, Dialog& dialog, const GUI_Event& e) {
    Instrument& i = dialog.Current();
    int phase = -1;
    PhaseField field = kPhaseDelay;
    const bool start = e.gadget == kInsStartVolume;
    if (!start && !(PhaseOf(e.gadget, phase, field) && field == kPhaseVolumeAdd)) return;
    uint8_t& value = start ? i.startVolume : i.volumeAdd[phase];
    const std::string text = w.Text(e.gadget);
    if (start)
        ParseStartVolume(text, value);
    else
        ParseVolumeAdd(text, value);
    if (e.type == GUI_EVENT_TEXT_ENTERED || e.type == GUI_EVENT_FOCUS_LEFT)
        w.SetText(e.gadget, start ? FormatStartVolume(value) : FormatVolumeAdd(value));
    if (e.type == GUI_EVENT_TEXT_ENTERED) gui.SetFocus(&w, -1);
}

void NumberField(GUI& gui, GUI_Window& w, Dialog& dialog, const GUI_Event& e) {
    if (e.gadget == kInsOctave) {
        dialog.editor.octave = uint8_t(std::clamp(e.value, 0, 8));
        gTestOctave = dialog.editor.octave;
    } else {
        int phase = -1;
        PhaseField field = kPhaseDelay;
        if (!PhaseOf(e.gadget, phase, field)) return;
        Instrument& i = dialog.Current();
        switch (field) {
            case kPhaseDelay:
                i.delay[phase] = uint8_t(std::clamp(e.value, 0, 255));
                break;
            case kPhaseVibSpeed:
                i.vibSpeed[phase] = uint8_t(std::clamp(e.value, 0, 3));
                break;
            case kPhaseVibStrength:
                i.vibStrength[phase] = uint8_t(std::clamp(e.value, 0, 15));
                break;
            default:
                break;
        }
    }
    // The note keys play again once a typed number is in.
    if (gui.Focus(&w) == e.gadget) gui.SetFocus(&w, -1);
}

void Copy(GUI& gui, Dialog& dialog) {
    const std::string text = dialog.editor.CopyText();
    gui.SetClipboardText(text);
    // The desktop gives no answer when it refuses; what it hands back tells.
    if (gui.ClipboardText() != text) GUI_MessageRequester(gui, kInstrumentCopyFailed);
}

void Refresh(GUI_Window& w, Dialog& dialog) {
    ShowList(w, dialog.editor);
    ShowInstrument(w, dialog.editor);
}

// The computer keyboard: note keys start test voices, their release stops them.
void NoteKey(Dialog& dialog, const GUI_Event& e) {
    if (e.type == GUI_EVENT_KEY_UP) {
        dialog.voices->Stop(e.key);
        return;
    }
    if (e.modifiers & (DRELM_MOD_CTRL | DRELM_MOD_ALT)) return;
    const uint8_t scan = uint8_t(e.key);
    if (scan == 0) return;  // a typed character without a key
    if (dialog.editor.type) {
        const int noise = NoiseKeyValue(scan, (e.modifiers & DRELM_MOD_SHIFT) != 0);
        if (noise >= kNotePeriodicHigh) dialog.Play(e.key, uint8_t(noise));
        return;
    }
    const int offset = NoteKeyOffset(scan);
    if (offset >= 0) dialog.Play(e.key, dialog.editor.TestNote(offset));
}

// The keyboard gadget: the note under the mouse sounds while the button is held.
void KeyboardMouse(GUI_Window& w, Dialog& dialog, const GUI_Event& e) {
    const GUI_Gadget* g = w.Gadget(kInsKeyboard);
    if (!g) return;
    const int semitone = KeyboardSemitoneAt(e.x, e.y, g->rect.width - 4, g->rect.height - 4);
    if (e.type == GUI_EVENT_IMAGE_DOWN && semitone >= 0) {
        dialog.mouseDown = true;
        dialog.mouseSemitone = semitone;
        dialog.Play(TestVoices::kMouseSource, dialog.NoteFor(semitone), semitone);
    } else if (e.type == GUI_EVENT_IMAGE_MOVE && dialog.mouseDown && semitone >= 0 &&
               semitone != dialog.mouseSemitone) {
        dialog.mouseSemitone = semitone;
        dialog.voices->Stop(TestVoices::kMouseSource);
        dialog.Light(TestVoices::kMouseSource, -1);
        dialog.Play(TestVoices::kMouseSource, dialog.NoteFor(semitone), semitone);
    } else if (e.type == GUI_EVENT_IMAGE_UP) {
        dialog.mouseDown = false;
        dialog.mouseSemitone = -1;
        dialog.voices->Stop(TestVoices::kMouseSource);
        dialog.Light(TestVoices::kMouseSource, -1);
    }
}

// "Okay": the copy becomes the module's instruments, one undo step when anything changed.
void Apply(Dialog& dialog) {
    if (dialog.editor.Changed(gModule)) {
        std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
        gEditor.undo->BeginInstruments();
        dialog.editor.ApplyTo(gModule, *gShell.soundMutex);
        gEditor.undo->EndInstruments();
    }
    gEditor.view.currentInstrument = uint8_t(dialog.editor.current);
    gEditor.view.Invalidate(kRedrawMenus | kRedrawTitle | kRedrawInstruments);
}

bool ButtonEvent(GUI& gui, GUI_Window& w, Dialog& dialog, const GUI_Event& e) {
    switch (e.gadget) {
        case kInsType:
            dialog.editor.type = uint8_t(w.Value(kInsType) ? 1 : 0);
            return false;
        case kInsCopy:
            Copy(gui, dialog);
            return false;
        case kInsPaste:
            if (const char* problem = dialog.editor.Paste(gui.ClipboardText()))
                GUI_MessageRequester(gui, problem);
            Refresh(w, dialog);
            return false;
        case kInsReset:
            if (GUI_QuestionRequester(gui, kInstrumentResetQuestion, "Yes", "No")) {
                dialog.editor.Reset();
                Refresh(w, dialog);
            }
            return false;
        case kInsOkay:
            Apply(dialog);
            return true;
        case kInsCancel:
            return true;
        default:
            return false;
    }
}

// One event of the dialog; true once it is decided.
bool HandleEvent(GUI& gui, GUI_Window& w, Dialog& dialog, const GUI_Event& e) {
    if (e.window != kInstrumentEditorWindow) return false;
    switch (e.type) {
        case GUI_EVENT_CLOSE:
            return true;
        case GUI_EVENT_LIST:
            if (e.gadget == kInsList && e.value >= 0 && e.value < kInstruments) {
                dialog.editor.current = e.value;
                ShowInstrument(w, dialog.editor);
            }
            return false;
        case GUI_EVENT_TEXT:
            if (e.gadget == kInsName) {
                SetName(dialog.Current(), w.Text(kInsName));
                ShowList(w, dialog.editor);
                return false;
            }
            LevelField(gui, w, dialog, e);
            return false;
        case GUI_EVENT_TEXT_ENTERED:
        case GUI_EVENT_FOCUS_LEFT:
            if (e.gadget == kInsName && e.type == GUI_EVENT_TEXT_ENTERED) gui.SetFocus(&w, -1);
            LevelField(gui, w, dialog, e);
            return false;
        case GUI_EVENT_NUMBER:
            NumberField(gui, w, dialog, e);
            return false;
        case GUI_EVENT_KEY:
        case GUI_EVENT_KEY_UP:
            NoteKey(dialog, e);
            return false;
        case GUI_EVENT_IMAGE_DOWN:
        case GUI_EVENT_IMAGE_MOVE:
        case GUI_EVENT_IMAGE_UP:
            if (e.gadget == kInsKeyboard) KeyboardMouse(w, dialog, e);
            return false;
        case GUI_EVENT_ACTIVATED:
            return ButtonEvent(gui, w, dialog, e);
        default:
            return false;
    }
}

}  // namespace

int InstrumentPhaseGadget(int phase, PhaseField field) {
    if (phase < 0 || phase >= kPhases) return -1;
    if (phase < 4) return kInsPhaseFirst + 4 * phase + field;
    return field == kPhaseDelay ? -1 : kInsPhaseFirst + 16 + field - 1;
}

void OpenInstrumentEditor(int instrument) {
    if (!gShell.gui || !gShell.soundMutex || !gEditor.undo) return;
    GUI& gui = *gShell.gui;
    StopPlayback();
    auto dialog = std::make_unique<Dialog>();
    dialog->voices = std::make_unique<TestVoices>(gShell.player, *gShell.soundMutex);
    dialog->editor.Begin(gModule, instrument);
    dialog->editor.octave = gTestOctave;
    const std::vector<GUI_GadgetDesc> d = Descriptions(*dialog, gui.ScreenHeight());
    const int width = std::min(780, gui.ScreenWidth() - 20);
    GUI_Window* w = gui.OpenWindow(kInstrumentEditorWindow, "Instrument Editor", width, d);
    if (!w) return;
    w->SetValue(kInsOctave, dialog->editor.octave);
    w->SetValue(kInsType, dialog->editor.type);
    Refresh(*w, *dialog);
    gui.SetFocus(w, -1);
    // MIDI keys play test notes here; nothing played before or while the dialog is open
    // may reach the pattern afterwards.
    DrainTrackerMidi();
    Dialog& open = *dialog;
    SetMidiDialogSink([&open](const MidiEvent& e) {
        const int note = open.editor.OnMidiEvent(e, *open.voices, gModule.frequencyDivider);
        if (note >= 0)
            open.Light(TestVoices::kMidiSource + e.note, open.editor.KeyboardKey(uint8_t(note)));
    });
    gOpenDialog = &open;
    GUI_RunModal(gui, w, [&](const GUI_Event& e) { return HandleEvent(gui, *w, open, e); });
    gOpenDialog = nullptr;
    SetMidiDialogSink(nullptr);
    dialog->voices->StopAll();
    DrainTrackerMidi();
    gui.CloseWindow(kInstrumentEditorWindow);
}

uint32_t InstrumentKeyboardLitKeys() { return gOpenDialog ? gOpenDialog->HeldKeys() : 0; }

// ---- the main window's selector ----

namespace {

int gPressedPart = 2;  // none

void SelectInstrument(int instrument) {
    PatternView& v = gEditor.view;
    const uint8_t chosen = uint8_t(std::clamp(instrument, 0, kInstruments - 1));
    if (chosen == v.currentInstrument) return;
    v.currentInstrument = chosen;
    v.Invalidate(kRedrawInstruments);
}

}  // namespace

void CommandInstrumentEditor(const GUI_Event&) {
    OpenInstrumentEditor(gEditor.view.currentInstrument);
}

void CommandNextInstrument(const GUI_Event&) {
    SelectInstrument(gEditor.view.currentInstrument + 1);
}

void CommandPreviousInstrument(const GUI_Event&) {
    SelectInstrument(gEditor.view.currentInstrument - 1);
}

void CommandInstrumentSelector(const GUI_Event& e) {
    if (e.type == GUI_EVENT_IMAGE_WHEEL) {
        SelectInstrument(gEditor.view.currentInstrument - e.value);
        return;
    }
    if (!gShell.gui) return;
    GUI& gui = *gShell.gui;
    const Quelm::Rect r = gui.GadgetRect(gui.FindWindow(e.window), e.gadget);
    const int part = SelectorPartAt(e.x, r.width - 4, r.height - 4);
    const bool inside = e.x >= 0 && e.y >= 0 && e.x < r.width - 4 && e.y < r.height - 4;
    if (e.type == GUI_EVENT_IMAGE_DOWN) {
        gPressedPart = inside ? part : 2;
        gEditor.view.Invalidate(kRedrawInstruments);
        return;
    }
    if (e.type != GUI_EVENT_IMAGE_UP) return;
    const int pressed = gPressedPart;
    gPressedPart = 2;
    gEditor.view.Invalidate(kRedrawInstruments);
    // Like a button: it acts when released over the part it was pressed on.
    if (!inside || part != pressed) return;
    if (part == 0)
        OpenInstrumentEditor(gEditor.view.currentInstrument);
    else
        SelectInstrument(gEditor.view.currentInstrument + part);
}

void DrawMainInstrumentSelector(const Quelm::Rect& area) {
    if (!gShell.gui) return;
    const int current = std::clamp<int>(gEditor.view.currentInstrument, 0, kInstruments - 1);
    const Instrument& record = gModule.instruments[current];
    DrawInstrumentSelector(gShell.gui->Skin(), area, SelectorText(current, record),
                           SelectorText(current, record, true), gPressedPart);
    gEditor.view.dirty &= ~uint32_t(kRedrawInstruments);
}
