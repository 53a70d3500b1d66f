// The one song the tracker holds: settings, 256 pattern slots, the order list, three info
// texts and 16 instruments. Every size is fixed, so the module never allocates except for
// its text strings.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// Note values.
constexpr uint8_t kNoteFirstTone = 0;
constexpr uint8_t kNoteLastTone = 155;
constexpr uint8_t kNoteNul = 246;
constexpr uint8_t kNotePeriodicHigh = 247;  // PHi, PMd, PLo, PC2
constexpr uint8_t kNoteWhiteHigh = 251;     // WHi, WMd, WLo, WC2
constexpr uint8_t kNoteEmpty = 255;
// Tone channels play notes 45..119 (periods 1017 down to 14).
constexpr uint8_t kNoteLowestPlayable = 45;
constexpr uint8_t kNoteHighestPlayable = 119;

// Kinds of note values.
enum NoteKind : uint8_t {
    kKindEmpty = 0,
    kKindTone = 1,
    kKindPeriodicNoise = 2,
    kKindWhiteNoise = 3,
    kKindNul = 5,
    kKindInvalid = 6,
};

extern const uint8_t kNoteKindTable[256];
extern const uint8_t kKindCarriesInstrument[8];
extern const uint8_t kKindCarriesDetune[8];
// Three display characters for each of the 256 note values ("C =", "E 1", "Nul", "---").
extern const char kNoteDisplay[256][4];

inline uint8_t NoteKindOf(uint8_t note) { return kNoteKindTable[note]; }
inline bool NoteCarriesInstrument(uint8_t note) { return kKindCarriesInstrument[kNoteKindTable[note]]; }
inline bool NoteCarriesDetune(uint8_t note) { return kKindCarriesDetune[kNoteKindTable[note]]; }

// Per-channel effects.
enum EffectCode : uint8_t { kEffectNone = 0, kEffectPV = 1, kEffectVO = 2 };
// Global commands.
enum GlobalCommand : uint8_t {
    kGlobalNone = 0,
    kGlobalSP = 1,  // speed, eighths of a frame per line
    kGlobalST = 2,  // Game Gear stereo byte
    kGlobalCB = 3,  // marker value for the console replayer
    kGlobalPV = 4,  // "PV" mask, rotating one bit per line
};

extern const char kEffectLetters[3][3];        // "--", "PV", "VO"
extern const char kGlobalCommandLetters[5][3];  // "  ", "SP", "ST", "CB", "PV"

constexpr int kChannels = 4;
constexpr int kToneChannels = 3;
constexpr int kNoiseChannel = 3;
constexpr int kGlobalColumns = 2;
constexpr int kMaxPatterns = 256;
constexpr int kMaxLines = 256;
constexpr int kMaxSongLength = 256;
constexpr int kInstruments = 16;
constexpr int kNameLength = 32;

#pragma pack(push, 1)
// One line of a pattern, laid out column by column.
struct PatternLine {
    uint8_t note[4];
    int8_t detune[4];
    uint8_t instrument[4];
    uint8_t volume[4];
    uint8_t effect[4];
    uint8_t effectParam[4];
    uint8_t globalCmd[2];
    uint8_t globalParam[2];
};
static_assert(sizeof(PatternLine) == 28, "PatternLine is a 28-byte record");

struct Instrument {
    char name[33];
    uint8_t startVolume;     // high nibble level 0..15, low nibble sixteenths
    uint8_t delay[4];        // frames of phases 0..3
    uint8_t vibSpeed[5];     // 0..3
    uint8_t vibStrength[5];  // 0..15
    uint8_t volumeAdd[5];    // two's complement, added every frame
};
static_assert(sizeof(Instrument) == 53, "Instrument is a 53-byte record");
#pragma pack(pop)

struct Pattern {
    uint8_t used;
    uint16_t length;  // 1..256
    char name[33];
    uint8_t mainTactOn;
    uint8_t secondaryTactOn;
    uint8_t mainTactStart;
    uint8_t secondaryTactStart;
    uint8_t mainTactInterval;
    uint8_t secondaryTactInterval;
    PatternLine lines[256];
};

enum TactMark : uint8_t { kTactNone = 0, kTactMain = 1, kTactSecondary = 2 };

// Which tact, if any, marks line `line` of a pattern (the main tact wins).
TactMark TactOfLine(const Pattern& pattern, int line);

// Makes lines[period..count) repeat lines[0..period), copied in blocks that double: a few
// large copies instead of one per line, for the importers' long runs of alike lines and the
// clearing of every pattern.
void RepeatLines(PatternLine* lines, size_t period, size_t count);

class ImportHandler;

class Module {
public:
    std::string fileName;
    std::string directory;
    uint8_t initialSpeed;
    uint8_t initialStereo;
    uint8_t frequencyDivider;  // 0 "1x", 1 "2x"
    uint8_t chipType;          // 0 NTSC, 1 PAL
    Pattern patterns[256];
    uint8_t orderList[256];
    uint16_t songLength;
    uint8_t repeatPosition;
    std::string title;
    std::string author;
    std::string notes;
    Instrument instruments[16];

    // A cleared module (see Clear), NTSC at 1x unless told otherwise.
    Module() : Module(0, 0) {}
    Module(uint8_t chipType, uint8_t frequencyDivider);

    // A new song: texts empty, every slot unused, one position playing pattern 0, which is
    // made as by MakePattern; speed 48, stereo 0xFF, instruments reset.
    void Clear(uint8_t chipType, uint8_t frequencyDivider);
    // Marks slot p used with 64 lines, resets its header and empties all 256 lines (note
    // 255, every other byte 0). Throws InternalException for p outside 0..255.
    void MakePattern(int p);
    // Empties the note, effect and global command columns of all 256 lines; detunes,
    // instruments, volumes and parameters keep their bytes.
    void ClearPatternLines(int p);
    // Sets the length, kept within 1..256. Lines added by growing are emptied as by
    // MakePattern; lines beyond a shorter length keep their bytes until the length grows
    // over them again.
    void SetPatternLength(int p, int length);
    // Name empty, start volume 255, delays 8, vibrato and volume changes 0.
    void ResetInstrument(int i);

    // Writes the module to `path` as a module file. The old file is replaced only once the
    // new one is completely on disk. Throws Exception / FileIOException on failure; on
    // success fileName and directory follow the path.
    void Save(const std::string& path);

    // Reads a module file, or hands a foreign file (MOD, VGM/VGZ, MIDI, BASIC) to
    // `importer`. Returns false when an importer gave up (a cancelled dialog); throws for a
    // file that cannot be opened, is too short, of no known kind, malformed or cut short.
    // The module changes only on success (returning true); otherwise it, its fileName and
    // its directory stay exactly as they were.
    bool Load(const std::string& path, ImportHandler* importer = nullptr);

    // Writes the module file to an open, seekable file at its current offset (the chunk
    // sizes are patched in afterwards). Save goes through here; tools that keep the data in
    // memory or in a temporary call it directly. Throws FileIOException on a short write.
    void Write(FILE* file) const;
};

// A cleared module to build a new song in before it replaces another, for as long as the
// lease lives. Its memory stays with the thread for the next lease: a new module's 1.8 MB
// would otherwise be mapped, faulted in page by page and unmapped again for every file
// loaded or imported. A lease taken while another is held gets a module of its own.
class ModuleLease {
public:
    ModuleLease(uint8_t chipType, uint8_t frequencyDivider);
    ~ModuleLease();
    ModuleLease(const ModuleLease&) = delete;
    ModuleLease& operator=(const ModuleLease&) = delete;

    Module& operator*() const { return *module; }
    Module* operator->() const { return module; }

private:
    std::unique_ptr<Module> own;  // only when the thread's module was taken
    Module* module;
};

// Kinds of files Module::Load recognises.
enum class FileKind : uint8_t {
    Unknown,
    Mod4Channel,
    Mod2Channel,
    Vgm,  // plain or gzip-compressed
    LegacyModule,
    Module,
    Midi,
    Basic,
};

// Recognises a file by its first bytes, its length and (for BASIC) its path.
FileKind DetectFileKind(const uint8_t* first8, size_t fileLength, const uint8_t* at1080,
                        const std::string& path);
// "MOD (4 channels)", "VGM", "MIDI", ... for messages.
const char* FileKindName(FileKind kind);

// What Module::Load hands a foreign file to. The caller decides how the importers get their
// options: the tracker asks the user in dialogs, the converter reads its command line.
class ImportHandler {
public:
    virtual ~ImportHandler() = default;
    // `file` is open at offset 0 for MOD, MIDI and BASIC; it is null for VGM, which is read
    // by path through a gzip reader. Returns false when the user cancelled.
    virtual bool Import(Module& target, FileKind kind, FILE* file, const std::string& path) = 0;
};

// The module the tracker edits, plays and saves, alive for the whole run.
extern Module gModule;
