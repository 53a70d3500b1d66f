// The preferences file's description table, and loading and saving it; see Preferences.h.
#include "app/Preferences.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>

#include "app/Exceptions.h"
#include "app/Paths.h"
#include "app/SafeFile.h"
#include "app/Tokenizer.h"

namespace {

#define TW_FIELD(member) \
    [](void* object) -> void* { return &static_cast<Preferences*>(object)->member; }

using Field = void* (*)(void*);

constexpr PreferenceEntry Value(const char* name, PreferenceKind kind, Field field,
                                int64_t number = 0, const char* comment = nullptr) {
    return {name, kind, field, number, 0, nullptr, 0, 0, nullptr, PreferenceKind::kBool, 0,
            comment, nullptr};
}

constexpr PreferenceEntry Ranged(const char* name, Field field, int64_t def, int minimum,
                                 int maximum, const char* comment = nullptr) {
    return {name, PreferenceKind::kRangedByte, field, def, 0, nullptr, minimum, maximum, nullptr,
            PreferenceKind::kBool, 0, comment, nullptr};
}

constexpr PreferenceEntry Resolution(const char* name, Field field, int width, int height) {
    return {name, PreferenceKind::kResolution, field, width, height, nullptr, 0, 0, nullptr,
            PreferenceKind::kBool, 0, nullptr, nullptr};
}

constexpr PreferenceEntry Choice(const char* name, Field field, const char* choices, int def) {
    return {name, PreferenceKind::kChoice, field, def, 0, nullptr, 0, 0, choices,
            PreferenceKind::kBool, 0, nullptr, nullptr};
}

constexpr PreferenceEntry Text(const char* name, Field field) {
    return {name, PreferenceKind::kString, field, 0, 0, "", 0, 0, nullptr, PreferenceKind::kBool,
            0, nullptr, nullptr};
}

constexpr PreferenceEntry Section(const char* name, const PreferenceLevel& level) {
    return {name, PreferenceKind::kSection, nullptr, 0, 0, nullptr, 0, 0, nullptr,
            PreferenceKind::kBool, 0, nullptr, &level};
}

template <size_t N>
constexpr PreferenceLevel Level(const PreferenceEntry (&entries)[N]) {
    return {entries, N, nullptr, 0};
}

template <size_t N, size_t M>
constexpr PreferenceLevel Level(const PreferenceEntry (&entries)[N], const char* const (&lines)[M]) {
    return {entries, N, lines, M};
}

constexpr PreferenceKind kBool = PreferenceKind::kBool;
constexpr PreferenceKind kByte = PreferenceKind::kByte;
constexpr PreferenceKind kColour = PreferenceKind::kColour;

constexpr PreferenceEntry kColourEntries[] = {
    Value("chn_titles", kColour, TW_FIELD(colors[kColourChannelTitles]), 0xFFFFFF),
    Value("chn_titles_dark", kColour, TW_FIELD(colors[kColourChannelTitlesDark]), 0x404080),
    Value("chn_titles_bg", kColour, TW_FIELD(colors[kColourChannelTitlesBackground]), 0x202040),
    Value("chn_titles_bg_dark", kColour, TW_FIELD(colors[kColourChannelTitlesBackgroundDark]),
          0x101020),
    Value("pattern_bg", kColour, TW_FIELD(colors[kColourPatternBackground]), 0x000000),
    Value("div_lines_main", kColour, TW_FIELD(colors[kColourDividerMain]), 0xFFFFFF),
    Value("div_lines_sec", kColour, TW_FIELD(colors[kColourDividerSecondary]), 0x008294),
    Value("text", kColour, TW_FIELD(colors[kColourText]), 0xFFFFFF),
    Value("text_invalid", kColour, TW_FIELD(colors[kColourTextInvalid]), 0xFF2020),
    Value("tact_main", kColour, TW_FIELD(colors[kColourTactMain]), 0x202040),
    Value("tact_sec", kColour, TW_FIELD(colors[kColourTactSecondary]), 0x101020),
    Value("cursor", kColour, TW_FIELD(colors[kColourCursor]), 0x8080FF),
    Value("play_bar", kColour, TW_FIELD(colors[kColourPlayBar]), 0x80FF80),
};
constexpr PreferenceLevel kColourLevel = Level(kColourEntries);

constexpr PreferenceEntry kAppearanceEntries[] = {
    Value("fullscreen", kBool, TW_FIELD(fullscreen), 0),
    Resolution("windowed_resolution", TW_FIELD(windowedResolution), 800, 600),
    Resolution("fullscreen_resolution", TW_FIELD(fullscreenResolution), 800, 600),
    Value("fullscreen_color_depth", kByte, TW_FIELD(fullscreenColorDepth), 32),
    Choice("texture_quality", TW_FIELD(textureQuality), "low|normal", kTextureQualityNormal),
    Value("theme", kByte, TW_FIELD(theme), 0),
    Value("tact_as_lines", kBool, TW_FIELD(tactAsLines), 1),
    Section("colors", kColourLevel),
};
constexpr const char* const kAppearanceComments[] = {
    "Resolutions:",
    "640x480",
    "800x600",
    "The default is 800x600.",
    "",
    "Color depths:",
    "16",
    "32",
    "",
    "Texture qualities:",
    "low",
    "normal",
    "",
    "The format for the colors is:",
    "$RRGGBB",
    "RR (red), GG (green) and BB (blue) are hex-values between 00 and FF.",
};
constexpr PreferenceLevel kAppearanceLevel = Level(kAppearanceEntries, kAppearanceComments);

constexpr PreferenceEntry kSoundEntries[] = {
    Ranged("volume", TW_FIELD(volume), 50, 0, 100, "In range 0..100."),
};
constexpr PreferenceLevel kSoundLevel = Level(kSoundEntries);

constexpr PreferenceEntry kMidiEntries[] = {
    Text("midi_in_device", TW_FIELD(midiInDevice)),
};
constexpr PreferenceLevel kMidiLevel = Level(kMidiEntries);

constexpr PreferenceEntry kEditingEntries[] = {
    Value("wrap_volume", kBool, TW_FIELD(wrapVolume), 0),
    Value("copypaste_instvol", kBool, TW_FIELD(copyPasteInstVol), 0),
    Value("paste_delete_notes", kBool, TW_FIELD(pasteDeleteNotes), 1),
    Ranged("clipboard", TW_FIELD(clipboard), 0, 0, 4),
};
constexpr PreferenceLevel kEditingLevel = Level(kEditingEntries);

constexpr PreferenceEntry kFileEntries[] = {
    Text("last_module_dir", TW_FIELD(lastModuleDir)),
    Text("last_export_dir", TW_FIELD(lastExportDir)),
    Text("last_module1", TW_FIELD(lastModules[0])),
    Text("last_module2", TW_FIELD(lastModules[1])),
    Text("last_module3", TW_FIELD(lastModules[2])),
    Text("last_module4", TW_FIELD(lastModules[3])),
    Text("last_module5", TW_FIELD(lastModules[4])),
    Text("last_module6", TW_FIELD(lastModules[5])),
    Text("last_module7", TW_FIELD(lastModules[6])),
    Text("last_module8", TW_FIELD(lastModules[7])),
    Text("last_module9", TW_FIELD(lastModules[8])),
    Text("last_module10", TW_FIELD(lastModules[9])),
};
constexpr PreferenceLevel kFileLevel = Level(kFileEntries);

constexpr PreferenceEntry kTopEntries[] = {
    Section("appeareance", kAppearanceLevel),
    Section("sound_output", kSoundLevel),
    Section("midi_in", kMidiLevel),
    Section("editing", kEditingLevel),
    Section("files_and_directories", kFileLevel),
};
constexpr const char* const kTopComments[] = {
    "Tonweave V2.05 preferences",
    "",
    "This file is rewritten completly every time you quit Tonweave.",
    "If you want to reset an entry to its default, simply delete it.",
    "You can also delete the whole file to reset everything.",
};
constexpr PreferenceLevel kTopLevel = Level(kTopEntries, kTopComments);

#undef TW_FIELD

constexpr PreferenceResolution kSupportedResolutions[] = {{640, 480}, {800, 600}};

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return StartDirectory();
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

// Defined after the tables that its constructor reads.
Preferences gPreferences;

const PreferenceLevel& Preferences::Table() { return kTopLevel; }

void Preferences::SetDefaults() {
    SetPreferenceDefaults(kTopLevel, this);
    UpdateColors16();
    loaded = false;
}

uint16_t Preferences::Colour16(uint32_t rgb) {
    const uint32_t red = (rgb >> 16) & 0xFF;
    const uint32_t green = (rgb >> 8) & 0xFF;
    const uint32_t blue = rgb & 0xFF;
    return static_cast<uint16_t>(((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3));
}

void Preferences::UpdateColors16() {
    for (int i = 0; i < kColourCount; ++i) colors16[i] = Colour16(colors[i]);
}

void Preferences::Read(const void* data, size_t size) {
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(data, size);
    ReadPreferences(tokenizer, kTopLevel, this);
}

std::string Preferences::Text() const { return WritePreferences(kTopLevel, this); }

void Preferences::Load() { Load(UserFile(kFileName)); }

void Preferences::Load(const std::string& path) {
    SetDefaults();
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::unique_ptr<FILE, int (*)(FILE*)> closer(file, &std::fclose);
        Preferences read;  // defaults; copied over only when the whole file parsed
        Tokenizer tokenizer;
        tokenizer.Attach(file);
        ReadPreferences(tokenizer, kTopLevel, &read);
        *this = read;
    }
    loaded = true;
    const std::string base = DirectoryOf(FullPath(path));
    auto full = [&](std::string& name) {
        if (!name.empty()) name = FullPath(name, base);
    };
    full(lastModuleDir);
    full(lastExportDir);
    for (std::string& name : lastModules) full(name);
    UpdateColors16();
    if (!ResolutionsSupported()) throw Exception("tonweave.prefs: Unsupported resolution");
}

void Preferences::Save() const { Save(UserFile(kFileName)); }

void Preferences::Save(const std::string& path) const {
    if (!loaded) return;
    const std::string text = Text();
    SafeFileWriter writer(path, true);
    if (std::fwrite(text.data(), 1, text.size(), writer.File()) != text.size())
        throw FileIOException("Preferences::Save(): Can't write data");
    writer.Commit();
}

bool Preferences::ResolutionsSupported() const {
    auto supported = [](const PreferenceResolution& r) {
        return std::find(std::begin(kSupportedResolutions), std::end(kSupportedResolutions), r) !=
               std::end(kSupportedResolutions);
    };
    return supported(windowedResolution) && supported(fullscreenResolution);
}

void Preferences::AddRecentModule(const std::string& path) {
    std::string* end = std::find(lastModules, lastModules + kRecentFiles, path);
    if (end == lastModules + kRecentFiles) end = lastModules + kRecentFiles - 1;
    std::move_backward(lastModules, end, end + 1);
    lastModules[0] = path;
}
