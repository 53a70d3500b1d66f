// ROM export: the embedded program (console/rom/shell.s with the replayer), then the font,
// the screen text and the song, the descriptor that tells the program where they are, and
// the cartridge header with its checksum.
#include "export/RomExport.h"

#include <cstdio>

#include "app/Exceptions.h"
#include "app/SafeFile.h"
#include "export/DadivevExport.h"
#include "export/RomFont.h"
#include "export/RomShell.h"

namespace {

constexpr size_t kHeaderAt = 0x7FF0;

void PutU16(std::vector<uint8_t>& rom, size_t at, size_t value) {
    rom[at] = static_cast<uint8_t>(value);
    rom[at + 1] = static_cast<uint8_t>(value >> 8);
}

// Words of at most `width` characters per line, a longer word cut; at most `rows` lines.
std::vector<std::string> Wrap(const std::string& text, size_t width, size_t rows) {
    std::vector<std::string> lines;
    std::string current;
    size_t i = 0;
    while (i < text.size() && lines.size() < rows) {
        while (i < text.size() && text[i] == ' ') ++i;
        size_t end = text.find(' ', i);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(i, end - i);
        i = end;
        while (!word.empty()) {
            const size_t room = current.empty()                  ? width
                                : current.size() + 1 >= width ? 0
                                                              : width - current.size() - 1;
            if (word.size() <= room) {
                current += (current.empty() ? "" : " ") + word;
                word.clear();
            } else if (current.empty()) {
                lines.push_back(word.substr(0, width));
                word = word.substr(width);
            } else {
                lines.push_back(current);
                current.clear();
            }
            if (lines.size() == rows) break;
        }
    }
    if (!current.empty() && lines.size() < rows) lines.push_back(current);
    return lines;
}

std::string Printable(const std::string& text) {
    std::string out;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\t' || c == '\n' || c == '\r')
            out += ' ';
        else if (c == 0)
            break;
        else
            out += (c >= 32 && c < 127) ? ch : '?';
    }
    return out;
}

size_t SizeCode(size_t size) {
    switch (size) {
        case 0x8000: return 0xC;
        case 0x10000: return 0xE;
        case 0x20000: return 0xF;
        case 0x40000: return 0x0;
        default: return 0x1;  // 512 KB
    }
}

// Sum of the bytes that the system's start-up program adds up: everything below the
// header and everything from 0x8000 on.
uint16_t Checksum(const std::vector<uint8_t>& rom) {
    uint32_t sum = 0;
    for (size_t i = 0; i < rom.size(); ++i)
        if (i < kHeaderAt || i >= 0x8000) sum += rom[i];
    return static_cast<uint16_t>(sum);
}

void WriteHeader(std::vector<uint8_t>& rom, RomSystem system) {
    static const char kMagic[] = "TMR SEGA";
    for (int i = 0; i < 8; ++i) rom[kHeaderAt + i] = static_cast<uint8_t>(kMagic[i]);
    rom[kHeaderAt + 8] = 0xFF;  // reserved
    rom[kHeaderAt + 9] = 0xFF;
    rom[kHeaderAt + 12] = 0;  // product code 0, version 0
    rom[kHeaderAt + 13] = 0;
    rom[kHeaderAt + 14] = 0;
    const uint8_t region = system == RomSystem::kGameGear ? 0x7 : 0x4;  // international, export
    rom[kHeaderAt + 15] = static_cast<uint8_t>(region << 4 | SizeCode(rom.size()));
    PutU16(rom, kHeaderAt + 10, Checksum(rom));
}

}  // namespace

std::vector<RomTextLine> RomScreenText(const Module& module, RomSystem system) {
    const bool gg = system == RomSystem::kGameGear;
    // The Game Gear shows columns 6..25 and rows 3..20 of the name table.
    const int left = gg ? 6 : 0;
    const int width = gg ? 20 : 32;
    const size_t textWidth = static_cast<size_t>(width - 2);
    std::string title = Printable(module.title);
    if (title.find_first_not_of(' ') == std::string::npos) title = "Untitled";
    const std::string author = Printable(module.author);

    std::vector<RomTextLine> lines;
    auto place = [&](const std::vector<std::string>& texts, int row) {
        for (const std::string& t : texts) {
            const int column = left + (width - static_cast<int>(t.size())) / 2;
            lines.push_back({row++, column, t});
        }
        return row;
    };
    int row = place(Wrap(title, textWidth, 3), gg ? 8 : 9);
    if (author.find_first_not_of(' ') != std::string::npos) place(Wrap(author, textWidth, 2), row + 1);
    return lines;
}

std::vector<uint8_t> BuildROM(const Module& module, RomSystem system) {
    const std::vector<uint8_t> song = CompileDADIVEV(module);
    std::vector<uint8_t> rom(romshell::kImage, romshell::kImage + romshell::kImageSize);

    const size_t font = rom.size();
    for (int g = 0; g < kRomFontGlyphs; ++g) {
        const uint8_t* glyph = RomFontGlyph(kRomFontFirst + g);
        rom.insert(rom.end(), glyph, glyph + 8);
    }
    const size_t text = rom.size();
    for (const RomTextLine& line : RomScreenText(module, system)) {
        rom.push_back(static_cast<uint8_t>(line.row));
        rom.push_back(static_cast<uint8_t>(line.column));
        rom.insert(rom.end(), line.text.begin(), line.text.end());
        rom.push_back(0);
    }
    rom.push_back(0xFF);

    uint8_t flags = system == RomSystem::kGameGear ? romshell::kFlagGameGear : 0;
    if (rom.size() + song.size() <= kHeaderAt) {
        PutU16(rom, romshell::kDescSong, rom.size());
        rom.insert(rom.end(), song.begin(), song.end());
        rom.resize(0x8000, 0);
    } else {
        if (song.size() > kMaxBankedSongBytes) {
            char message[160];
            snprintf(message, sizeof message,
                     "Module::ExportROM(): The song needs %zu KB, more than the %zu KB that the "
                     "largest ROM (%zu KB) holds",
                     (song.size() + 1023) / 1024, kMaxBankedSongBytes / 1024, kMaxRomBytes / 1024);
            throw Exception(message);
        }
        flags |= romshell::kFlagBanked;
        rom[romshell::kDescBank] = 2;
        size_t size = 0x10000;
        while (size < 0x8000 + song.size()) size *= 2;
        rom.resize(0x8000, 0);
        rom.insert(rom.end(), song.begin(), song.end());
        rom.resize(size, 0);
    }
    rom[romshell::kDescFlags] = flags;
    PutU16(rom, romshell::kDescText, text);
    PutU16(rom, romshell::kDescFont, font);
    WriteHeader(rom, system);
    return rom;
}

void ExportROM(const Module& module, const std::string& path, RomSystem system) {
    const std::vector<uint8_t> bytes = BuildROM(module, system);
    WriteFileSafely(
        path, bytes.data(), bytes.size(),
        {"Module::ExportROM(): Couldn't create file", "Module::ExportROM(): Couldn't write file"});
}
