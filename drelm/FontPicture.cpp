// Picture fonts: a description file names a picture and says where each character's
// glyph lies in it. One statement per line, ";" starts a comment:
//
//   font "Pattern"                       the font's name
//   picture "patternfont.png"            beside the description file
//   height 9                             line height (default: the tallest glyph)
//   ascend 7                             pixels above the baseline (default: height)
//   descend 2                            pixels below it (default: height - ascend)
//   chars 32, 127 place 0, 0, 8, 9, 16   codes 32..127 in cells of 8 x 9 pixels from
//                                        (0, 0), 16 cells per row
//   chars "0123456789" place 0, 90, 4, 9, 10   the same for the characters of a text
//   char 128 rect 0, 99, 4, 9            one glyph: x, y, width, height
//   char "A" rect 8, 0, 8, 9
//
// A glyph's advance is its width; its top is the top of the line.
#include <cstdio>
#include <cstring>
#include <string>

#include "FontImpl.h"
#include "Internal.h"
#include "app/Exceptions.h"
#include "app/Tokenizer.h"

namespace drelm {

namespace {

constexpr long kMaxDescriptionSize = 1024 * 1024;
constexpr int kMaxMetric = 1024;

[[noreturn]] void Bad(const char* what) {
    throw ParseException(std::string("PictureFont::Load(): ") + what);
}

struct Placement {
    std::vector<int> codes;
    int values[5] = {0, 0, 0, 0, 1};  // x, y, width, height, cells per row
    bool single = false;              // one glyph with its own rectangle
};

struct Description {
    std::string name;
    std::string picture;
    int height = -1;
    int ascend = -1;
    int descend = -1;
    std::vector<Placement> placements;
};

std::vector<int> Characters(const std::string& text) {
    std::vector<int> codes;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) codes.push_back(NextCharacter(p, end));
    return codes;
}

int Metric(Tokenizer& t) {
    int32_t v = 0;
    t.ParseNumber(v);
    if (v < 0 || v > kMaxMetric) Bad("Value out of range");
    return v;
}

void ReadCodes(Tokenizer& t, Placement& p, bool range) {
    Token token;
    const TokenizerPosition saved = t.SavePosition();
    t.GetNextToken(token);
    if (token.type == kTokenString) {
        p.codes = Characters(token.text);
        if (p.codes.empty() || (!range && p.codes.size() != 1)) Bad("Bad character");
        return;
    }
    t.RestorePosition(saved);
    int32_t first = 0;
    t.ParseNumber(first);
    int32_t last = first;
    if (range) {
        t.MatchSpecial(',');
        t.ParseNumber(last);
    }
    if (first < 0 || last > 255 || last < first) Bad("Character out of range");
    for (int c = first; c <= last; ++c) p.codes.push_back(c);
}

Description Parse(const std::vector<uint8_t>& text) {
    Tokenizer t;
    t.AttachBuffer(text.data(), text.size());
    t.SetCommentChar(';');
    Description d;
    for (;;) {
        if (t.IsFileEnd()) break;
        if (t.IsLineEnd()) continue;
        std::string key;
        t.ParseName(key);
        if (key == "font") {
            t.ParseString(d.name);
        } else if (key == "picture") {
            t.ParseString(d.picture);
        } else if (key == "height") {
            d.height = Metric(t);
        } else if (key == "ascend") {
            d.ascend = Metric(t);
        } else if (key == "descend") {
            d.descend = Metric(t);
        } else if (key == "chars" || key == "char") {
            Placement p;
            p.single = key == "char";
            ReadCodes(t, p, !p.single);
            t.MatchName(p.single ? "rect" : "place");
            t.ParseNumbers(p.single ? 4 : 5, p.values);
            for (int i = 0; i < (p.single ? 4 : 5); ++i) {
                if (p.values[i] < 0 || p.values[i] > 65535) Bad("Value out of range");
            }
            if (p.values[2] < 1 || p.values[3] < 1 || p.values[4] < 1) Bad("Value out of range");
            for (int c : p.codes) {
                if (c > 255) Bad("Character out of range");
            }
            d.placements.push_back(p);
        } else {
            Bad("Unknown key");
        }
        if (t.IsFileEnd()) break;
        t.MatchLineEnd();
    }
    if (d.picture.empty()) Bad("No picture");
    return d;
}

std::vector<uint8_t> ReadDescription(const char* fileName) {
    FILE* f = std::fopen(fileName, "rb");
    if (f == nullptr) throw Exception("DRELM: Create font");
    std::vector<uint8_t> data;
    uint8_t chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        data.insert(data.end(), chunk, chunk + got);
        if (static_cast<long>(data.size()) > kMaxDescriptionSize) {
            std::fclose(f);
            Bad("File too large");
        }
    }
    std::fclose(f);
    return data;
}

std::string Beside(const char* fileName, const std::string& other) {
    if (!other.empty() && other[0] == '/') return other;
    const std::string base(fileName);
    const size_t slash = base.find_last_of('/');
    if (slash == std::string::npos) return other;
    return base.substr(0, slash + 1) + other;
}

}  // namespace

bool LooksLikeFontDescription(const char* fileName) {
    FILE* f = std::fopen(fileName, "rb");
    if (f == nullptr) return false;
    unsigned char head[4] = {0, 0, 0, 0};
    const size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    // Font programs start with a binary tag; descriptions are text.
    static const unsigned char kTags[][4] = {{0, 1, 0, 0},
                                             {'O', 'T', 'T', 'O'},
                                             {'t', 'r', 'u', 'e'},
                                             {'t', 't', 'c', 'f'},
                                             {'w', 'O', 'F', 'F'}};
    if (got < 4) return got > 0;
    for (const auto& tag : kTags) {
        if (std::memcmp(head, tag, 4) == 0) return false;
    }
    for (unsigned char c : head) {
        if (c < 9 || (c > 13 && c < 32)) return false;
    }
    return true;
}

void LoadPictureFont(const char* fileName, DRELM_Font::Impl& impl) {
    const Description d = Parse(ReadDescription(fileName));
    DRELM_Surface picture;
    picture.Create(Beside(fileName, d.picture).c_str(), 0);
    picture.Convert(DRELM_FORMAT_A8R8G8B8);
    const Quelm::Rect bounds(0, 0, picture.Width(), picture.Height());
    int tallest = 0;
    for (const Placement& p : d.placements) {
        const int w = p.values[2], h = p.values[3], perRow = p.single ? 1 : p.values[4];
        for (size_t i = 0; i < p.codes.size(); ++i) {
            const long long cx = p.values[0] + static_cast<long long>(i % perRow) * w;
            const long long cy = p.values[1] + static_cast<long long>(i / perRow) * h;
            if (cx + w > bounds.width || cy + h > bounds.height)
                Bad("Rectangle outside the picture");
            FontGlyph& g = impl.glyphs[static_cast<size_t>(p.codes[i])];
            g.present = true;
            g.rect = Quelm::Rect(static_cast<int>(cx), static_cast<int>(cy), w, h);
            g.offsetX = 0;
            g.offsetY = 0;
            g.advance = w;
            tallest = std::max(tallest, h);
        }
    }
    if (tallest == 0) Bad("No characters");
    const int height = d.height > 0 ? d.height : tallest;
    impl.ascend =
        d.ascend >= 0 ? d.ascend : (d.descend >= 0 ? std::max(height - d.descend, 0) : height);
    impl.descend = d.descend >= 0 ? d.descend : std::max(height - impl.ascend, 0);
    // A font without "?" still needs something to show for unknown characters.
    if (!impl.glyphs['?'].present) {
        for (int c = 32; c < 256; ++c) {
            if (impl.glyphs[static_cast<size_t>(c)].present) {
                impl.glyphs['?'] = impl.glyphs[static_cast<size_t>(c)];
                break;
            }
        }
    }
    impl.surface.Create(picture.Width(), picture.Height(), DRELM_FORMAT_A8R8G8B8);
    picture.Copy(0, 0, &impl.surface);
}

}  // namespace drelm
