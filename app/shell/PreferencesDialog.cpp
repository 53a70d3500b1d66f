// The "Preferences" dialog: appearance, colours, volume and the MIDI input device.
#include <algorithm>
#include <string>
#include <vector>

#include "app/Exceptions.h"
#include "app/Preferences.h"
#include "app/shell/DialogParts.h"
#include "app/shell/Dialogs.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/MidiBinding.h"
#include "app/shell/Shell.h"
#include "editor/MidiIn.h"
#include "gui/Requesters.h"

namespace {

const char* const kColourNames[kColourCount] = {
    "Channel titles",
    "Channel titles (inactive)",
    "Channel titles background",
    "Channel titles background (inactive)",
    "Pattern background",
    "Division lines (main)",
    "Division lines (sec.)",
    "Text",
    "Text (invalid)",
    "Tact (main)",
    "Tact (sec.)",
    "Cursor",
    "Play bar",
};

constexpr const char* kNoDevice = "None";

// What the dialog edits, applied only on "Okay".
struct Draft {
    bool fullscreen = false;
    bool tactAsLines = true;
    int resolution = 1;  // 0 640x480, 1 800x600
    int volume = 50;
    std::string midiDevice;
    uint32_t colors[kColourCount] = {};
    int selected = 0;
};
Draft gDraft;

GUI_GadgetDesc Number(int row, int column, int columns, const char* label, int max) {
    GUI_GadgetDesc d = dialog::Gadget(GT_TEXTLINE, row, column, columns, label);
    d.text = "%3D";
    d.min = 0;
    d.max = max;
    d.step = max > 100 ? 16 : 5;
    return d;
}

std::vector<GUI_GadgetDesc> Descriptions(int screenHeight) {
    std::vector<GUI_GadgetDesc> d;
    d.push_back(dialog::Group(0, 0, 4, 2, "Appeareance"));
    d.push_back(dialog::Gadget(GT_CHECKBOX, 0, 0, 2, "Fullscreen"));
    d.push_back(dialog::Gadget(GT_CHECKBOX, 0, 2, 2, "Draw tact as lines instead of bars"));
    GUI_GadgetDesc resolution = dialog::Gadget(GT_SELECTBOX, 1, 0, 2, "Resolution:");
    resolution.text = "640x480\n800x600";
    d.push_back(resolution);
    d.push_back(dialog::Group(2, 0, 2, 1, "Sound output"));
    d.push_back(Number(2, 0, 2, "Volume:", 100));
    d.push_back(dialog::Group(2, 2, 2, 1, "MIDI in"));
    GUI_GadgetDesc devices = dialog::Gadget(GT_LIST, 2, 2, 2, nullptr);
    devices.height = 2;
    d.push_back(devices);
    d.push_back(dialog::Group(3, 0, 4, 5, "Colors"));
    GUI_GadgetDesc colours = dialog::Gadget(GT_LIST, 3, 0, 2, nullptr);
    colours.rows = 5;
    // On the small screen a row less and a thinner swatch, so that the dialog fits whole.
    colours.height = int16_t(screenHeight >= 600 ? 6 : 5);
    d.push_back(colours);
    for (int i = 0; i < kColourCount; ++i) {
        GUI_GadgetDesc entry = dialog::Gadget(GT_LIST_ENTRY, 0, 0, 1, nullptr);
        entry.content = kColourNames[i];
        d.push_back(entry);
    }
    d.push_back(Number(3, 2, 2, "Red:", 255));
    d.push_back(Number(4, 2, 2, "Green:", 255));
    d.push_back(Number(5, 2, 2, "Blue:", 255));
    GUI_GadgetDesc swatch = dialog::Gadget(GT_IMAGE, 6, 2, 2, nullptr);
    swatch.height = int16_t(screenHeight >= 600 ? 20 : 14);
    swatch.draw = [](const Quelm::Rect& r) {
        const uint32_t c = gDraft.colors[gDraft.selected];
        DRELM_DrawRect(r, DRELM_RGBA(uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)));
        DRELM_DrawBox(r, DRELM_RGBA(128, 128, 128));
    };
    d.push_back(swatch);
    d.push_back(dialog::Gadget(GT_BUTTON, 7, 2, 1, "Reset"));
    d.push_back(dialog::Gadget(GT_BUTTON, 7, 3, 1, "Reset all..."));
    d.push_back(dialog::OkayButton(8, 0, 2));
    d.push_back(dialog::CancelButton(8, 2, 2));
    return d;
}

void ShowColour(GUI_Window& w) {
    const uint32_t c = gDraft.colors[gDraft.selected];
    w.SetValue(kPrefsRed, int((c >> 16) & 0xFF));
    w.SetValue(kPrefsGreen, int((c >> 8) & 0xFF));
    w.SetValue(kPrefsBlue, int(c & 0xFF));
}

void SetChannel(int gadget, int value) {
    const int shift = gadget == kPrefsRed ? 16 : gadget == kPrefsGreen ? 8 : 0;
    uint32_t& c = gDraft.colors[gDraft.selected];
    c = (c & ~(0xFFu << shift)) | (uint32_t(std::clamp(value, 0, 255)) << shift);
}

void Fill(GUI_Window& w) {
    const Preferences& p = gPreferences;
    gDraft = Draft();
    gDraft.fullscreen = p.fullscreen;
    gDraft.tactAsLines = p.tactAsLines;
    gDraft.resolution = p.windowedResolution.width == 640 ? 0 : 1;
    gDraft.volume = p.volume;
    gDraft.midiDevice = p.midiInDevice;
    std::copy(std::begin(p.colors), std::end(p.colors), gDraft.colors);
    w.SetChecked(kPrefsFullscreen, gDraft.fullscreen);
    w.SetChecked(kPrefsTactLines, gDraft.tactAsLines);
    w.SetValue(kPrefsResolution, gDraft.resolution);
    w.SetValue(kPrefsVolume, gDraft.volume);
    // The ports found now; the configured one stays listed while it is absent, so that
    // "Okay" does not drop it.
    std::vector<std::string> devices = TrackerMidiDevices();
    if (devices.empty() || devices[0] != kNoDevice) devices.insert(devices.begin(), kNoDevice);
    if (!p.midiInDevice.empty() && MidiDeviceListIndex(devices, p.midiInDevice) == 0)
        devices.push_back(p.midiInDevice);
    w.SetListEntries(kPrefsMidiDevices, devices);
    w.SetListSelection(kPrefsMidiDevices, MidiDeviceListIndex(devices, p.midiInDevice));
    w.SetListSelection(kPrefsColourList, 0);
    ShowColour(w);
}

// Applies the draft; gives back whether something waits for the next start.
bool Apply() {
    Preferences& p = gPreferences;
    const PreferenceResolution chosen =
        gDraft.resolution == 0 ? PreferenceResolution{640, 480} : PreferenceResolution{800, 600};
    const bool later = gDraft.fullscreen != p.fullscreen || !(chosen == p.windowedResolution);
    const bool midiChanged = gDraft.midiDevice != p.midiInDevice;
    p.fullscreen = gDraft.fullscreen;
    p.windowedResolution = chosen;
    p.fullscreenResolution = chosen;
    p.midiInDevice = gDraft.midiDevice;
    if (midiChanged) ReopenTrackerMidi(p.midiInDevice);
    p.tactAsLines = gDraft.tactAsLines;
    std::copy(std::begin(gDraft.colors), std::end(gDraft.colors), p.colors);
    p.UpdateColors16();
    p.volume = uint8_t(std::clamp(gDraft.volume, 0, 100));
    if (gShell.sound) gShell.sound->SetVolume(p.volume);
    InvalidateEditor();
    return later;
}

// One event of the dialog; true once it is decided.
bool Handle(GUI& gui, GUI_Window& w, const GUI_Event& e) {
    if (e.window != kPreferencesWindow) return false;
    if (e.type == GUI_EVENT_CLOSE) return true;
    if (e.type == GUI_EVENT_LIST && e.gadget == kPrefsColourList && e.value >= 0) {
        gDraft.selected = std::clamp(e.value, 0, kColourCount - 1);
        ShowColour(w);
    } else if (e.type == GUI_EVENT_LIST && e.gadget == kPrefsMidiDevices && e.value >= 0) {
        const GUI_Gadget* list = w.Gadget(kPrefsMidiDevices);
        gDraft.midiDevice = e.value == 0 ? "" : list->entries[size_t(e.value)];
    } else if (e.type == GUI_EVENT_NUMBER) {
        if (e.gadget == kPrefsVolume) gDraft.volume = e.value;
        if (e.gadget == kPrefsRed || e.gadget == kPrefsGreen || e.gadget == kPrefsBlue)
            SetChannel(e.gadget, e.value);
    } else if (e.type == GUI_EVENT_ACTIVATED) {
        switch (e.gadget) {
            case kPrefsFullscreen:
                gDraft.fullscreen = w.Checked(kPrefsFullscreen);
                break;
            case kPrefsTactLines:
                gDraft.tactAsLines = w.Checked(kPrefsTactLines);
                break;
            case kPrefsResolution:
                gDraft.resolution = w.Value(kPrefsResolution);
                break;
            case kPrefsReset:
                gDraft.colors[gDraft.selected] = Preferences().colors[gDraft.selected];
                ShowColour(w);
                break;
            case kPrefsResetAll:
                if (GUI_QuestionRequester(gui, "Do you really want to reset all colors?", "Yes",
                                          "No")) {
                    const Preferences defaults;
                    std::copy(std::begin(defaults.colors), std::end(defaults.colors),
                              gDraft.colors);
                    ShowColour(w);
                }
                break;
            case kPrefsOkay: {
                const bool later = Apply();
                // Written now as well as at quit, so that a crash does not lose them.
                try {
                    gPreferences.Save();
                } catch (const Exception&) {
                    GUI_MessageRequester(gui, "Couldn't save the configuration file.");
                }
                if (later)
                    GUI_MessageRequester(gui,
                                         "The changes of the resolution and the full screen mode "
                                         "take effect the next time Tonweave starts.");
                return true;
            }
            case kPrefsCancel:
                return true;
            default:
                break;
        }
    }
    return false;
}

}  // namespace

const char* ColourName(int index) {
    return index >= 0 && index < kColourCount ? kColourNames[index] : "";
}

void CommandPreferences(const GUI_Event&) {
    GUI& gui = *gShell.gui;
    const std::vector<GUI_GadgetDesc> d = Descriptions(gui.ScreenHeight());
    const int width = std::min(600, gui.ScreenWidth() - 20);
    GUI_Window* w = gui.OpenWindow(kPreferencesWindow, "Preferences", width, d);
    if (!w) return;
    Fill(*w);
    GUI_RunModal(gui, w, [&](const GUI_Event& e) { return Handle(gui, *w, e); });
    gui.CloseWindow(kPreferencesWindow);
}
