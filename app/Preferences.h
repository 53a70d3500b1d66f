// The user's settings, kept in "tonweave.prefs" beside the program: read once at start-up
// (a missing file or key gives the default) and written out whole at quit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/PreferenceTable.h"

// The drawing colours, in the file's order.
enum PreferenceColour : int {
    kColourChannelTitles,
    kColourChannelTitlesDark,
    kColourChannelTitlesBackground,
    kColourChannelTitlesBackgroundDark,
    kColourPatternBackground,
    kColourDividerMain,
    kColourDividerSecondary,
    kColourText,
    kColourTextInvalid,
    kColourTactMain,
    kColourTactSecondary,
    kColourCursor,
    kColourPlayBar,
    kColourCount
};

enum TextureQuality : uint8_t { kTextureQualityLow = 0, kTextureQualityNormal = 1 };

struct Preferences {
    static constexpr int kRecentFiles = 10;
    static constexpr const char* kFileName = "tonweave.prefs";

    // appeareance
    bool fullscreen = false;
    PreferenceResolution windowedResolution;
    PreferenceResolution fullscreenResolution;
    uint8_t fullscreenColorDepth = 0;
    uint8_t textureQuality = kTextureQualityNormal;
    uint8_t theme = 0;
    bool tactAsLines = true;
    uint32_t colors[kColourCount] = {};  // 0xRRGGBB
    // The colours for drawing: red in bits 11..15, green 5..10, blue 0..4. Kept up to date
    // by Load; after changing `colors` call UpdateColors16.
    uint16_t colors16[kColourCount] = {};
    // sound_output
    uint8_t volume = 0;  // 0..100
    // midi_in
    std::string midiInDevice;  // empty: no MIDI input
    // editing
    bool wrapVolume = false;
    bool copyPasteInstVol = false;
    bool pasteDeleteNotes = true;
    uint8_t clipboard = 0;  // 0 the system clipboard, 1..4 the internal ones
    // files_and_directories
    std::string lastModuleDir;
    std::string lastExportDir;
    std::string lastModules[kRecentFiles];  // newest first; empty entries are unused

    // True once a Load got through parsing; only then does Save write.
    bool loaded = false;

    Preferences() { SetDefaults(); }

    // Every key to its default (and not loaded).
    void SetDefaults();

    // Load(UserFile("tonweave.prefs")).
    void Load();
    // Sets the defaults, then reads `path` when it can be opened (a missing file is no
    // error). A syntax error throws ParseException (its first code is the line) and leaves
    // the defaults and the preferences not loaded, so the broken file is not overwritten.
    // Otherwise the preferences are loaded; the directory and recent-file names become
    // full paths (relative ones count from the file's directory); and a resolution other
    // than 640x480 and 800x600 throws Exception "tonweave.prefs: Unsupported resolution",
    // keeping the values read.
    void Load(const std::string& path);

    // Save(UserFile("tonweave.prefs")).
    void Save() const;
    // Writes the whole file, replacing the old one safely, but only when loaded. Throws
    // when the file cannot be written (the old one is kept then).
    void Save(const std::string& path) const;

    // Reads a preferences text over the current values (no defaults, no checks).
    // Throws ParseException as Load does.
    void Read(const void* data, size_t size);
    // The file's whole text.
    std::string Text() const;

    void UpdateColors16();
    static uint16_t Colour16(uint32_t rgb);

    // Puts `path` at the head of the recent files: a path already in the list moves up,
    // the others move down by one and the tenth drops out.
    void AddRecentModule(const std::string& path);

    // Whether both resolutions are among the supported ones.
    bool ResolutionsSupported() const;

    // The description of the file.
    static const PreferenceLevel& Table();
};

// The program's settings.
extern Preferences gPreferences;
