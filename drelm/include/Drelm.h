// drelm: the graphics and input library. One window, one drawing device for 2D work,
// surfaces (pixels in memory), textures (pixels the device draws from), fonts and a queue
// of keyboard and mouse events. Call it from one thread only (the application's main
// thread). Failures are thrown as the application's `Exception` (app/Exceptions.h) with
// the messages named at each function.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__GNUC__)
#define DRELM_API __attribute__((visibility("default")))
#else
#define DRELM_API
#endif

// ---------------------------------------------------------------------------------------
// Basic types
// ---------------------------------------------------------------------------------------

namespace Quelm {

// A rectangle: top-left corner and size. Width or height <= 0 is empty.
struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    constexpr Rect() = default;
    constexpr Rect(int x, int y, int width, int height)
        : x(x), y(y), width(width), height(height) {}

    constexpr int Right() const { return x + width; }    // first column outside
    constexpr int Bottom() const { return y + height; }  // first row outside
    constexpr bool IsEmpty() const { return width <= 0 || height <= 0; }
    constexpr bool Contains(int px, int py) const {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
    // The common part of two rectangles; empty (0 size) when they do not overlap.
    constexpr Rect Intersect(const Rect& o) const {
        const int l = x > o.x ? x : o.x;
        const int t = y > o.y ? y : o.y;
        const int r = Right() < o.Right() ? Right() : o.Right();
        const int b = Bottom() < o.Bottom() ? Bottom() : o.Bottom();
        if (r <= l || b <= t) return Rect(l, t, 0, 0);
        return Rect(l, t, r - l, b - t);
    }
    constexpr bool operator==(const Rect& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

}  // namespace Quelm

struct DRELM_Point {
    int x = 0;
    int y = 0;
    constexpr DRELM_Point() = default;
    constexpr DRELM_Point(int x, int y) : x(x), y(y) {}
    constexpr bool operator==(const DRELM_Point& o) const { return x == o.x && y == o.y; }
};

// A colour with straight (not premultiplied) alpha. The packed form is 0xAARRGGBB.
struct DRELM_RGBA {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;

    constexpr DRELM_RGBA() = default;
    constexpr DRELM_RGBA(uint8_t r, uint8_t g, uint8_t b) : r(r), g(g), b(b), a(255) {}
    constexpr DRELM_RGBA(uint8_t r, uint8_t g, uint8_t b, uint8_t a) : r(r), g(g), b(b), a(a) {}
    constexpr explicit DRELM_RGBA(uint32_t argb)
        : r(uint8_t(argb >> 16)), g(uint8_t(argb >> 8)), b(uint8_t(argb)), a(uint8_t(argb >> 24)) {}

    constexpr uint32_t Packed() const {
        return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
    }
    constexpr bool operator==(const DRELM_RGBA& o) const { return Packed() == o.Packed(); }
};

inline constexpr DRELM_RGBA DRELM_WHITE(255, 255, 255, 255);
inline constexpr DRELM_RGBA DRELM_BLACK(0, 0, 0, 255);

// Pixel formats. In memory a pixel is one little-endian unit of its size, so an
// A8R8G8B8 pixel read as uint32_t is 0xAARRGGBB.
enum DRELM_FORMAT : int {
    DRELM_FORMAT_UNKNOWN = 0,
    DRELM_FORMAT_A8R8G8B8 = 1,  // 32 bits with alpha
    DRELM_FORMAT_X8R8G8B8 = 2,  // 32 bits, the top byte is ignored (reads as opaque)
    DRELM_FORMAT_R5G6B5 = 3,    // 16 bits
    DRELM_FORMAT_A1R5G5B5 = 4,  // 16 bits with one alpha bit
    DRELM_FORMAT_A4R4G4B4 = 5,  // 16 bits with four alpha bits
    DRELM_FORMAT_P8 = 6,        // 8-bit index into the surface's palette
    DRELM_FORMAT_A8 = 7,        // 8-bit alpha only (white with that alpha)
};

// Bytes per pixel of a format (0 for DRELM_FORMAT_UNKNOWN).
DRELM_API int DRELM_BytesPerPixel(DRELM_FORMAT format);

enum DRELM_LOCK_MODE : int {
    DRELM_LOCK_READ = 1,
    DRELM_LOCK_WRITE = 2,
    DRELM_LOCK_READWRITE = 3,
    DRELM_LOCK_DISCARD = 6,  // write, and the old contents need not be kept
};

enum DRELM_TEXTURE_FILTER_TYPE : int {
    DRELM_FILTER_POINT = 0,     // nearest pixel
    DRELM_FILTER_BILINEAR = 1,  // weighted 2x2 neighbourhood
    DRELM_FILTER_BOX = 2,       // area average (for shrinking; else as bilinear)
};

enum DRELM_FONT_LOAD_MODE : int {
    DRELM_FONT_LOAD_AUTO = 0,  // picture font when the file is a font description, else TrueType
    DRELM_FONT_LOAD_TRUETYPE = 1,  // a TrueType/OpenType file through the font rasteriser
    DRELM_FONT_LOAD_PICTURE = 2,   // a font description file naming a picture of the glyphs
};

// Font flags for DRELM_Font::Create.
enum : uint32_t {
    DRELM_FONT_EMBOLDEN = 1,    // thicken the strokes (TrueType only)
    DRELM_FONT_MONOCHROME = 2,  // no anti-aliasing (TrueType only)
};

// Flags for the colour-key parameters `a`, `b` of Convert and the loading functions:
// `a` is a packed 0xAARRGGBB colour and `b` these flags.
enum : uint32_t {
    DRELM_CONVERT_COLORKEY = 1,  // pixels of colour `a` (alpha ignored) become transparent black
};

// Surface flags.
enum : uint32_t {
    DRELM_SURFACE_KEEP_PALETTE = 1,  // loading: paletted pictures stay P8 with their palette
};

// Texture flags.
enum : uint32_t {
    DRELM_TEXTURE_RENDER_TARGET = 1,  // may be passed to DRELM_SetRenderTarget
};

// Video mode flags.
enum : uint32_t {
    DRELM_VIDEO_FULLSCREEN = 1,
    DRELM_VIDEO_VSYNC = 2,     // wait for the display's refresh when presenting
    DRELM_VIDEO_SOFTWARE = 4,  // no acceleration: frames go straight to the window's pixels
    DRELM_VIDEO_HIDDEN = 8,    // do not show the window (tests, tools)
};

// Render states. All values are ints; the whole record is DRELM_RenderState.
enum DRELM_RENDER_STATE : int {
    DRELM_RS_BLEND = 0,    // a DRELM_BLEND_MODE; default DRELM_BLEND_ALPHA
    DRELM_RS_Z_TEST = 1,   // 1: draw a pixel only where its Z <= the depth buffer's; default 0
    DRELM_RS_Z_WRITE = 2,  // 1: drawn pixels store their Z in the depth buffer; default 0
    DRELM_RS_FILTER = 3,   // DRELM_FILTER_POINT or _BILINEAR for stretched blits; default point
    DRELM_RS_COUNT = 4,
};

enum DRELM_BLEND_MODE : int {
    DRELM_BLEND_NONE = 0,      // the source replaces the target (alpha included)
    DRELM_BLEND_ALPHA = 1,     // target = source * a + target * (1 - a)
    DRELM_BLEND_ADD = 2,       // target = target + source * a, saturated
    DRELM_BLEND_MULTIPLY = 3,  // target = target * source
};

struct DRELM_RenderState {
    int blend = DRELM_BLEND_ALPHA;
    int zTest = 0;
    int zWrite = 0;
    int filter = DRELM_FILTER_POINT;
};

// Depth: a smaller Z is nearer. ClearBuffers sets the depth buffer to DRELM_Z_FAR.
inline constexpr float DRELM_Z_NEAR = 0.0f;
inline constexpr float DRELM_Z_FAR = 1.0f;

enum DRELM_GRADIENT_DIRECTION : int {
    DRELM_GRADIENT_HORIZONTAL = 0,  // from the left edge to the right edge
    DRELM_GRADIENT_VERTICAL = 1,    // from the top edge to the bottom edge
    DRELM_GRADIENT_DIAGONAL = 2,    // from the top-left corner to the bottom-right corner
};

// BlitPartTiled modes: in a tiled direction the part repeats (the last copy is cut), in
// the other it stretches to the target.
enum DRELM_TILE_MODE : int {
    DRELM_TILE_NONE = 0,
    DRELM_TILE_HORIZONTAL = 1,
    DRELM_TILE_VERTICAL = 2,
    DRELM_TILE_BOTH = 3,
};

// ---------------------------------------------------------------------------------------
// Video modes and the screen
// ---------------------------------------------------------------------------------------

class DRELM_API DRELM_VideoMode {
public:
    int width = 0;
    int height = 0;
    DRELM_FORMAT format = DRELM_FORMAT_UNKNOWN;  // X8R8G8B8 (32-bit) or R5G6B5 (16-bit)
    int refreshRate = 0;                         // Hz; 0 for any

    DRELM_VideoMode() = default;
    DRELM_VideoMode(int width, int height, DRELM_FORMAT format, int refreshRate = 0)
        : width(width), height(height), format(format), refreshRate(refreshRate) {}
    void Set(int w, int h, DRELM_FORMAT f, int refresh) {
        width = w;
        height = h;
        format = f;
        refreshRate = refresh;
    }
};

class DRELM_API DRELM_Screen {
public:
    DRELM_VideoMode videoMode;
    uint32_t flags = 0;  // DRELM_VIDEO_*

    void Set(const DRELM_VideoMode& mode, uint32_t videoFlags) {
        videoMode = mode;
        flags = videoFlags;
    }
    int Width() const { return videoMode.width; }
    int Height() const { return videoMode.height; }
    bool IsFullScreen() const { return (flags & DRELM_VIDEO_FULLSCREEN) != 0; }
};

// ---------------------------------------------------------------------------------------
// Palettes, surfaces and textures
// ---------------------------------------------------------------------------------------

class DRELM_API DRELM_Palette {
public:
    std::vector<DRELM_RGBA> colors;

    // Appends a colour and gives back its index.
    int AddColor(const DRELM_RGBA& rgba);
    // Sets entry `index`, growing the palette with black entries when needed (index < 256).
    void SetColor(int index, const DRELM_RGBA& value);
    DRELM_RGBA GetColor(int index) const;  // black for an index outside the palette
    int Count() const { return static_cast<int>(colors.size()); }
};

class DRELM_Texture;
class DRELM_Surface;

// Pixels that can be locked for direct access. Pitch is bytes per row.
class DRELM_API DRELM_SurfaceOrTexture {
public:
    DRELM_SurfaceOrTexture() = default;
    DRELM_SurfaceOrTexture(const DRELM_SurfaceOrTexture&) = delete;
    DRELM_SurfaceOrTexture& operator=(const DRELM_SurfaceOrTexture&) = delete;

    // A pointer to the first pixel (of `rect`), or nullptr when nothing was created or the
    // rectangle is not inside the picture. Rows are Pitch() bytes apart.
    void* Lock(DRELM_LOCK_MODE lockMode);
    void* Lock(DRELM_LOCK_MODE lockMode, const Quelm::Rect& rect);
    void Unlock();

    int Width() const { return width; }
    int Height() const { return height; }
    int Pitch() const { return pitch; }
    DRELM_FORMAT Format() const { return format; }
    bool IsCreated() const { return format != DRELM_FORMAT_UNKNOWN; }

    // The colour of one pixel (transparent black outside the picture).
    DRELM_RGBA GetPixel(int x, int y) const;

protected:
    ~DRELM_SurfaceOrTexture();
    void Allocate(int w, int h, DRELM_FORMAT f);  // throws "DRELM: Allocate surface pixels"
    void Release();

    int width = 0;
    int height = 0;
    int pitch = 0;
    DRELM_FORMAT format = DRELM_FORMAT_UNKNOWN;
    std::vector<uint8_t> pixels;
    int lockCount = 0;

    friend struct DrelmInternal;
};

class DRELM_API DRELM_Surface : public DRELM_SurfaceOrTexture {
public:
    DRELM_Palette palette;  // used by P8 surfaces

    DRELM_Surface() = default;
    ~DRELM_Surface();

    // A blank (all zero) surface. Throws "DRELM: Allocate surface pixels" for a size that
    // is not positive or too large, or a format that surfaces do not support.
    void Create(int width, int height, DRELM_FORMAT format, uint32_t flags = 0);
    // Loads a picture; the decoder is chosen by the file's first bytes (PNG, GIF, JPEG,
    // BMP, ..., IFF ILBM). The result is A8R8G8B8, or P8 for a paletted picture with
    // DRELM_SURFACE_KEEP_PALETTE. Throws "SurfaceLoader: File IO error" (cannot open or
    // read), "SurfaceLoader: Parse error" (damaged file), "SurfaceLoader: Feature not
    // supported" (unknown kind), "Could not load library" / "Could not load function"
    // (ILBM without its run-time library), "SurfaceLoader: Out of memory".
    void Create(const char* fileName, uint32_t flags = 0);
    void Free();
    void Clear();  // every pixel 0

    // Converts the pixels to `format` (any surface format; to P8 the palette is built
    // from the colours found, at most 256, else the nearest of them is taken). With
    // b & DRELM_CONVERT_COLORKEY pixels of colour `a` become transparent.
    void Convert(DRELM_FORMAT format, uint32_t a = 0, uint32_t b = 0);
    // Converts to P8 with the given palette (each pixel takes the nearest entry).
    void Convert(const DRELM_Palette& palette);

    // Copies pixels (no blending; format converted) into `target` with the top-left
    // corner at x, y; parts outside the target are cut.
    void Copy(int x, int y, DRELM_Surface* target) const;
    void CopyRect(const Quelm::Rect& rect, int x, int y, DRELM_Surface* target) const;
    // Uploads the whole surface to the top-left of `texture`, or part `rect` to x, y.
    void CopyToTexture(DRELM_Texture* texture) const;
    void CopyToTexture(DRELM_Texture* texture, const Quelm::Rect& rect, int x, int y) const;

    void FillRect(const Quelm::Rect& rect, const DRELM_RGBA& colour);
    // The pixel value that stands for `colour` in this surface's format: for P8 the index
    // of the nearest palette entry, else the packed pixel.
    uint32_t FindColor(const DRELM_RGBA& colour) const;
    // The first pixel (row by row) of exactly that colour, or (-1, -1).
    DRELM_Point FindPixel(const DRELM_RGBA& colour) const;
    // Scales the picture to rect.width x rect.height (rect.x, rect.y are not used).
    // P8 surfaces are scaled with the point filter.
    void Resize(const Quelm::Rect& rect, DRELM_TEXTURE_FILTER_TYPE filterType);
    // Writes the surface as a PNG file (A8R8G8B8 and P8 keep alpha / palette). Throws
    // "SurfaceSaver: File IO error" (cannot write), "SurfaceSaver: Feature not supported"
    // (nothing to save), "SurfaceSaver: Internal error".
    void Save(const char* fileName) const;

    void SetPixel(int x, int y, const DRELM_RGBA& colour);  // ignored outside the picture
};

class DRELM_API DRELM_Texture : public DRELM_SurfaceOrTexture {
public:
    DRELM_Texture() = default;
    ~DRELM_Texture();

    // Formats: A8R8G8B8 and X8R8G8B8. Throws "DRELM: Create texture" for another format
    // or a size that is not positive or beyond 8192.
    void Create(int width, int height, DRELM_FORMAT format, uint32_t flags = 0);
    // Loads a picture as DRELM_Surface::Create does (same messages) and converts it; a,
    // b as for DRELM_Surface::Convert.
    void Create(const char* fileName, DRELM_FORMAT format = DRELM_FORMAT_A8R8G8B8, uint32_t a = 0,
                uint32_t b = 0);
    void Free();
    void Clear(const DRELM_RGBA& colour);

    // Draws onto the current render target at x, y (translated and clipped), the texel
    // colours multiplied by `colour` (alpha too), blended by the render state.
    void Blit(int x, int y, const DRELM_RGBA& colour = DRELM_WHITE) const;
    void Blit(int x, int y, int width, int height, const DRELM_RGBA& colour = DRELM_WHITE) const;
    void BlitPart(const Quelm::Rect& sourceRect, int x, int y,
                  const DRELM_RGBA& colour = DRELM_WHITE) const;
    void BlitPart(const Quelm::Rect& sourceRect, const Quelm::Rect& targetRect,
                  const DRELM_RGBA& colour = DRELM_WHITE) const;
    void BlitPartTiled(const Quelm::Rect& sourceRect, const Quelm::Rect& targetRect,
                       DRELM_TILE_MODE mode, const DRELM_RGBA& colour = DRELM_WHITE) const;
    // Copies the other texture's pixels into this one (the common part, top-left aligned).
    void UpdateTexture(const DRELM_Texture* other);

    bool IsRenderTarget() const { return renderTarget; }

    // Saves the pixels as PNG (same messages as DRELM_Surface::Save).
    void Save(const char* fileName) const;

private:
    bool renderTarget = false;
    friend struct DrelmInternal;
};

// ---------------------------------------------------------------------------------------
// Fonts
// ---------------------------------------------------------------------------------------

// A piece of a line for PrintLine / TextLineWidth. An array of pieces ends with one whose
// text is nullptr. Each piece starts `x` pixels right of the line's start, or right after
// the previous piece when x < 0.
struct DRELM_LinePart {
    const char* text = nullptr;
    int x = -1;
};

// Text is UTF-8; a byte that does not start a valid sequence is taken as a Latin-1
// character. Characters from 32 to 255 have glyphs (a missing one is drawn as "?").
// `y` is the top of the line; the baseline is at y + Ascend().
class DRELM_API DRELM_Font {
public:
    DRELM_Font();
    ~DRELM_Font();
    DRELM_Font(const DRELM_Font&) = delete;
    DRELM_Font& operator=(const DRELM_Font&) = delete;

    // TrueType: `name` is the font file, `size` the pixel height of the em. Picture font:
    // `name` is the description file, `size` is not used. Throws "DRELM: Create font"
    // (no such file or not a font), "DRELM: Load FreeType library", ParseException from
    // the description reader, and the SurfaceLoader messages for the picture.
    void Create(const char* name, int size, uint32_t flags = 0,
                DRELM_FONT_LOAD_MODE loadMode = DRELM_FONT_LOAD_AUTO);
    void Free();
    // Draws from the font's own glyph texture again (undoes UseOtherTexture).
    void Clear();

    // Each returns the width drawn in pixels.
    int Print(int x, int y, const char* text, const DRELM_RGBA& colour) const;
    // Right-aligned: the text ends at x.
    int PrintBW(int x, int y, const char* text, const DRELM_RGBA& colour) const;
    // At most `width` pixels: characters that would cross x + width are left out.
    int PrintMW(int x, int y, int width, const char* text, const DRELM_RGBA& colour) const;
    int PrintLine(int x, int y, const DRELM_LinePart* lineArray, const DRELM_RGBA& colour) const;
    // Draws into a surface (A8R8G8B8 or X8R8G8B8), blending, without translation or clip.
    int PrintSrfc(int x, int y, const char* text, DRELM_Surface* surface,
                  const DRELM_RGBA& colour = DRELM_WHITE) const;

    int TextWidth(const char* text) const;
    // The width of `count` bytes from byte `from` (kerning with the characters around the
    // part is not counted).
    int TextPartWidth(const char* text, int from, int count) const;
    int TextLineWidth(const DRELM_LinePart* lineArray) const;
    int CharacterWidth(int character) const;  // advance of one character, 0 when none

    // The glyphs are now drawn from `texture`, where the glyph surface was copied with its
    // top-left at `point` (a skin packs the glyphs into its one big texture).
    void UseOtherTexture(DRELM_Texture* texture, DRELM_Point point);

    // Every glyph in one A8R8G8B8 picture (white with coverage as alpha for TrueType).
    const DRELM_Surface* GlyphSurface() const;

    int Height() const;   // line height: ascend + descend
    int Ascend() const;   // pixels above the baseline
    int Descend() const;  // pixels below the baseline
    int Size() const;
    bool IsCreated() const;

    struct Impl;  // the library's own

private:
    Impl* impl;
};

// ---------------------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------------------

#pragma pack(push, 1)
struct DRELM_Event {
    uint8_t type = 0;  // DRELM_EVENT_*
    uint8_t ring = 0;  // used by the event ring only
    uint8_t flag = 0;  // 1: key repeat, or double click
    uint8_t key = 0;   // PC set-1 scan code (DRELM_KEY_*)
    int16_t value1 = 0;
    int16_t value2 = 0;
    int16_t value3 = 0;
};
#pragma pack(pop)
static_assert(sizeof(DRELM_Event) == 10, "packed event record");

enum : uint8_t {
    // value1 the character's low 16 bits (0 for none), value3 the bits above them, value2
    // modifiers; key code 0 for a character typed without a key of the table (a dead key,
    // an input method), which has no release
    DRELM_EVENT_KEY_DOWN = 1,
    DRELM_EVENT_KEY_UP = 2,
    DRELM_EVENT_MOUSE_MOVE = 3,  // value1 x, value2 y (window coordinates)
    DRELM_EVENT_WHEEL_DOWN = 4,  // value3 change of the wheel position (< 0)
    DRELM_EVENT_WHEEL_UP = 5,    // value3 change of the wheel position (> 0)
    DRELM_EVENT_LEFT_DOWN = 6,   // value2 modifiers, flag 1 on a double click
    DRELM_EVENT_LEFT_UP = 7,
    DRELM_EVENT_RIGHT_DOWN = 8,  // value2 modifiers
    DRELM_EVENT_RIGHT_UP = 9,
    DRELM_EVENT_MIDDLE_DOWN = 10,  // value2 modifiers
    DRELM_EVENT_MIDDLE_UP = 11,
    DRELM_EVENT_DEVICE_LOST = 12,  // call DRELM_RestoreGraphicsDevice
    DRELM_EVENT_QUIT = 13,         // the user asked to close the window
};

// The character a key-down event typed (0 for none), any Unicode character.
inline int DRELM_EventCharacter(const DRELM_Event& e) {
    return static_cast<uint16_t>(e.value1) |
           (static_cast<int>(static_cast<uint16_t>(e.value3)) << 16);
}

// One notch of the wheel changes its position by this much.
inline constexpr int DRELM_WHEEL_NOTCH = 120;

// Modifier bits (DRELM_GetKeyModifiers, value2 of key and button events).
enum : uint32_t {
    DRELM_MOD_LSHIFT = 0x0001,
    DRELM_MOD_RSHIFT = 0x0002,
    DRELM_MOD_LCTRL = 0x0004,
    DRELM_MOD_RCTRL = 0x0008,
    DRELM_MOD_LALT = 0x0010,
    DRELM_MOD_RALT = 0x0020,
    DRELM_MOD_LOS = 0x0040,
    DRELM_MOD_ROS = 0x0080,
    DRELM_MOD_CAPS = 0x0100,  // the caps state (toggled by Caps Lock)
    DRELM_MOD_SHIFT = DRELM_MOD_LSHIFT | DRELM_MOD_RSHIFT,
    DRELM_MOD_CTRL = DRELM_MOD_LCTRL | DRELM_MOD_RCTRL,
    DRELM_MOD_ALT = DRELM_MOD_LALT | DRELM_MOD_RALT,
};

// Key codes: PC set-1 scan codes; keys sent with the E0 prefix have bit 7 set.
enum : uint8_t {
    DRELM_KEY_ESCAPE = 0x01,
    DRELM_KEY_1 = 0x02,
    DRELM_KEY_2 = 0x03,
    DRELM_KEY_3 = 0x04,
    DRELM_KEY_4 = 0x05,
    DRELM_KEY_5 = 0x06,
    DRELM_KEY_6 = 0x07,
    DRELM_KEY_7 = 0x08,
    DRELM_KEY_8 = 0x09,
    DRELM_KEY_9 = 0x0A,
    DRELM_KEY_0 = 0x0B,
    DRELM_KEY_MINUS = 0x0C,
    DRELM_KEY_EQUALS = 0x0D,
    DRELM_KEY_BACKSPACE = 0x0E,
    DRELM_KEY_TAB = 0x0F,
    DRELM_KEY_Q = 0x10,
    DRELM_KEY_W = 0x11,
    DRELM_KEY_E = 0x12,
    DRELM_KEY_R = 0x13,
    DRELM_KEY_T = 0x14,
    DRELM_KEY_Y = 0x15,
    DRELM_KEY_U = 0x16,
    DRELM_KEY_I = 0x17,
    DRELM_KEY_O = 0x18,
    DRELM_KEY_P = 0x19,
    DRELM_KEY_LEFTBRACKET = 0x1A,
    DRELM_KEY_RIGHTBRACKET = 0x1B,
    DRELM_KEY_RETURN = 0x1C,
    DRELM_KEY_LCTRL = 0x1D,
    DRELM_KEY_A = 0x1E,
    DRELM_KEY_S = 0x1F,
    DRELM_KEY_D = 0x20,
    DRELM_KEY_F = 0x21,
    DRELM_KEY_G = 0x22,
    DRELM_KEY_H = 0x23,
    DRELM_KEY_J = 0x24,
    DRELM_KEY_K = 0x25,
    DRELM_KEY_L = 0x26,
    DRELM_KEY_SEMICOLON = 0x27,
    DRELM_KEY_APOSTROPHE = 0x28,
    DRELM_KEY_GRAVE = 0x29,  // the key left of 1
    DRELM_KEY_LSHIFT = 0x2A,
    DRELM_KEY_BACKSLASH = 0x2B,  // the key left of Enter on a 102-key board
    DRELM_KEY_Z = 0x2C,
    DRELM_KEY_X = 0x2D,
    DRELM_KEY_C = 0x2E,
    DRELM_KEY_V = 0x2F,
    DRELM_KEY_B = 0x30,
    DRELM_KEY_N = 0x31,
    DRELM_KEY_M = 0x32,
    DRELM_KEY_COMMA = 0x33,
    DRELM_KEY_PERIOD = 0x34,
    DRELM_KEY_SLASH = 0x35,
    DRELM_KEY_RSHIFT = 0x36,
    DRELM_KEY_KP_MULTIPLY = 0x37,
    DRELM_KEY_LALT = 0x38,
    DRELM_KEY_SPACE = 0x39,
    DRELM_KEY_CAPSLOCK = 0x3A,
    DRELM_KEY_F1 = 0x3B,
    DRELM_KEY_F2 = 0x3C,
    DRELM_KEY_F3 = 0x3D,
    DRELM_KEY_F4 = 0x3E,
    DRELM_KEY_F5 = 0x3F,
    DRELM_KEY_F6 = 0x40,
    DRELM_KEY_F7 = 0x41,
    DRELM_KEY_F8 = 0x42,
    DRELM_KEY_F9 = 0x43,
    DRELM_KEY_F10 = 0x44,
    DRELM_KEY_NUMLOCK = 0x45,
    DRELM_KEY_SCROLLLOCK = 0x46,
    DRELM_KEY_KP_7 = 0x47,
    DRELM_KEY_KP_8 = 0x48,
    DRELM_KEY_KP_9 = 0x49,
    DRELM_KEY_KP_MINUS = 0x4A,
    DRELM_KEY_KP_4 = 0x4B,
    DRELM_KEY_KP_5 = 0x4C,
    DRELM_KEY_KP_6 = 0x4D,
    DRELM_KEY_KP_PLUS = 0x4E,
    DRELM_KEY_KP_1 = 0x4F,
    DRELM_KEY_KP_2 = 0x50,
    DRELM_KEY_KP_3 = 0x51,
    DRELM_KEY_KP_0 = 0x52,
    DRELM_KEY_KP_PERIOD = 0x53,
    DRELM_KEY_NONUSBACKSLASH = 0x56,  // the extra key left of Z on a 102-key board
    DRELM_KEY_F11 = 0x57,
    DRELM_KEY_F12 = 0x58,
    DRELM_KEY_KP_ENTER = 0x9C,
    DRELM_KEY_RCTRL = 0x9D,
    DRELM_KEY_MUTE = 0xA0,
    DRELM_KEY_CALCULATOR = 0xA1,
    DRELM_KEY_PLAYPAUSE = 0xA2,
    DRELM_KEY_MEDIASTOP = 0xA4,
    DRELM_KEY_VOLUMEDOWN = 0xAE,
    DRELM_KEY_VOLUMEUP = 0xB0,
    DRELM_KEY_WEBHOME = 0xB2,
    DRELM_KEY_KP_DIVIDE = 0xB5,
    DRELM_KEY_PRINTSCREEN = 0xB7,
    DRELM_KEY_RALT = 0xB8,
    DRELM_KEY_PAUSE = 0xC5,
    DRELM_KEY_HOME = 0xC7,
    DRELM_KEY_UP = 0xC8,
    DRELM_KEY_PAGEUP = 0xC9,
    DRELM_KEY_LEFT = 0xCB,
    DRELM_KEY_RIGHT = 0xCD,
    DRELM_KEY_END = 0xCF,
    DRELM_KEY_DOWN = 0xD0,
    DRELM_KEY_PAGEDOWN = 0xD1,
    DRELM_KEY_INSERT = 0xD2,
    DRELM_KEY_DELETE = 0xD3,
    DRELM_KEY_LOS = 0xDB,
    DRELM_KEY_ROS = 0xDC,
    DRELM_KEY_APPMENU = 0xDD,
    DRELM_KEY_POWER = 0xDE,
    DRELM_KEY_SLEEP = 0xDF,
    DRELM_KEY_WAKE = 0xE3,
    DRELM_KEY_WEBSEARCH = 0xE5,
    DRELM_KEY_WEBFAVORITES = 0xE6,
    DRELM_KEY_WEBREFRESH = 0xE7,
    DRELM_KEY_WEBSTOP = 0xE8,
    DRELM_KEY_WEBFORWARD = 0xE9,
    DRELM_KEY_WEBBACK = 0xEA,
    DRELM_KEY_MYCOMPUTER = 0xEB,
    DRELM_KEY_MAIL = 0xEC,
    DRELM_KEY_MEDIASELECT = 0xED,
};

// Key name indices beyond the keyboard: joystick j (0..7) direction or button b (0..15)
// is DRELM_KEY_JOYSTICK_FIRST + j * DRELM_JOYSTICK_NAMES + {0 left, 1 right, 2 up,
// 3 down, 4 + b}.
inline constexpr int DRELM_KEY_JOYSTICK_FIRST = 256;
inline constexpr int DRELM_JOYSTICK_NAMES = 20;
inline constexpr int DRELM_KEY_NAME_COUNT = DRELM_KEY_JOYSTICK_FIRST + 8 * DRELM_JOYSTICK_NAMES;

// Mouse button bits of DRELM_GetMouseState.
enum : uint32_t {
    DRELM_MOUSE_LEFT = 1,
    DRELM_MOUSE_RIGHT = 2,
    DRELM_MOUSE_MIDDLE = 4,
};

// Bits of DRELM_GetInputCapabilities.
enum : uint32_t {
    DRELM_INPUT_MOUSE = 1,           // a mouse (pointer) is present
    DRELM_INPUT_KEYBOARD = 2,        // always set
    DRELM_INPUT_JOYSTICK_FIRST = 4,  // joystick j present: DRELM_INPUT_JOYSTICK_FIRST << j
};

struct DRELM_JoystickState {
    int x = 0;             // -1000 (left) .. 1000 (right)
    int y = 0;             // -1000 (up) .. 1000 (down)
    uint32_t buttons = 0;  // bit b: button b + 1 held
    int hat = -1;          // point of view in degrees clockwise from up, -1 centred
};

// Cursor numbers for DRELM_SetCursor (DRELM_LoadCursor gives further numbers).
enum : int {
    DRELM_CURSOR_HIDDEN = -1,
    DRELM_CURSOR_ARROW = 0,
    DRELM_CURSOR_WAIT = 1,
    DRELM_CURSOR_IBEAM = 2,
    DRELM_CURSOR_HAND = 3,
    DRELM_CURSOR_SIZE_WE = 4,
    DRELM_CURSOR_SIZE_NS = 5,
    DRELM_CURSOR_SIZE_NWSE = 6,
    DRELM_CURSOR_SIZE_ALL = 7,
};

// ---------------------------------------------------------------------------------------
// Start and stop
// ---------------------------------------------------------------------------------------

// Clears all state and starts the event and joystick services. Safe to call again after
// DRELM_Quit.
DRELM_API void DRELM_Init();
// Frees the window and the device and stops the services. Surfaces, textures and fonts
// still alive must not be used for drawing afterwards.
DRELM_API void DRELM_Quit();

// Opens the window and the device (first call) and gives back the screen. Throws
// "Unsupported video mode" (a size below 1 or beyond 8192, or a format other than
// X8R8G8B8, A8R8G8B8 and R5G6B5), "Video mode not found" (full screen and the display
// offers no mode of that size), "DRELM: Couldn't open window", "d3d->createDevice()".
DRELM_API DRELM_Screen* DRELM_SetVideoMode(const DRELM_VideoMode& videoMode, uint32_t flags);
// Switches an open window to another mode (same messages). The clip rectangle is reset.
DRELM_API DRELM_Screen* DRELM_ChangeVideoMode(const DRELM_VideoMode& videoMode, uint32_t flags);
// Rebuilds the device after DRELM_EVENT_DEVICE_LOST; textures keep their pixels.
DRELM_API void DRELM_RestoreGraphicsDevice();
DRELM_API DRELM_Screen* DRELM_GetScreen();
// The SDL_Window* of the window (nullptr before DRELM_SetVideoMode).
DRELM_API void* DRELM_GetWindowHandle();
DRELM_API void DRELM_SetWindowTitle(const char* title);
DRELM_API bool DRELM_IsSurfaceFormatAvailable(DRELM_FORMAT format);
DRELM_API bool DRELM_IsTextureFormatAvailable(DRELM_FORMAT format);

// ---------------------------------------------------------------------------------------
// Frame, render state, depth, translation, clipping
// ---------------------------------------------------------------------------------------

// Presents the frame. The drawn picture stays in the back buffer until drawn over.
// Without vsync (software renderer, virtual displays, headless drivers) nothing holds a
// loop to the display, so a shown window's frames are spaced to the pacing rate (by
// sleeping); a hidden window is never paced. A minimised window sleeps as well.
DRELM_API void DRELM_NextFrame();
// Frames per second that DRELM_NextFrame paces to without vsync; 0 turns pacing off.
// The default is 60.
DRELM_API void DRELM_SetFramePacing(int framesPerSecond);
// Waits as DRELM_NextFrame would, but presents nothing: for a frame in which nothing
// changed on the screen.
DRELM_API void DRELM_SkipFrame();
DRELM_API int DRELM_GetFramePacing();
// Fills the whole current render target (clip ignored) with `colour` and, on the screen,
// the depth buffer with `z`.
DRELM_API void DRELM_ClearBuffers(const DRELM_RGBA& colour = DRELM_BLACK, float z = DRELM_Z_FAR);
// Draws into `texture` (created with DRELM_TEXTURE_RENDER_TARGET) or, with nullptr, the
// screen. A texture target starts without translation and with the whole texture as
// clip; going back to the screen restores the screen's translation and clip. The depth
// test applies on the screen only.
DRELM_API void DRELM_SetRenderTarget(DRELM_Texture* texture);
DRELM_API DRELM_Texture* DRELM_CurrentRenderTarget();

DRELM_API void DRELM_SetRenderState(DRELM_RENDER_STATE state, int value);
DRELM_API int DRELM_GetRenderState(DRELM_RENDER_STATE state);
DRELM_API void DRELM_SetRenderState(const DRELM_RenderState& record);
DRELM_API void DRELM_GetRenderState(DRELM_RenderState& record);

DRELM_API void DRELM_SetZ(float z);
DRELM_API float DRELM_GetZ();
DRELM_API void DRELM_AddToZ(float dz);
// Moves the origin of all later drawing (and of clip rectangles given later) by dx, dy;
// calls add up. DRELM_GetTranslate gives the sum.
DRELM_API void DRELM_Translate(int dx, int dy);
DRELM_API DRELM_Point DRELM_GetTranslate();

// Clip rectangles are given and returned in translated coordinates.
DRELM_API void DRELM_SetClipRect(const Quelm::Rect& rect);
// nullptr: the whole target.
DRELM_API void DRELM_SetClipRectP(const Quelm::Rect* rect);
DRELM_API Quelm::Rect DRELM_GetClipRect();
DRELM_API void DRELM_ResetClipRect();  // the whole target; the clip stack is emptied
// Saves the clip rectangle and clips further to `rect` (inside the current clip);
// DRELM_EndClip restores the saved one. Levels nest without limit.
DRELM_API void DRELM_StartClip(const Quelm::Rect& rect);
DRELM_API void DRELM_EndClip();

// ---------------------------------------------------------------------------------------
// Drawing (onto the current render target; translated, clipped, blended)
// ---------------------------------------------------------------------------------------

DRELM_API void DRELM_DrawRect(const Quelm::Rect& rect, const DRELM_RGBA& colour);
// Colours of the top-left, top-right, bottom-left and bottom-right pixels, interpolated.
DRELM_API void DRELM_DrawRect4(const Quelm::Rect& rect, const DRELM_RGBA& topLeft,
                               const DRELM_RGBA& topRight, const DRELM_RGBA& bottomLeft,
                               const DRELM_RGBA& bottomRight);
// A one-pixel line including both end points.
DRELM_API void DRELM_DrawLine(int x1, int y1, int x2, int y2, const DRELM_RGBA& colour);
// The one-pixel outline of `rect`.
DRELM_API void DRELM_DrawBox(const Quelm::Rect& rect, const DRELM_RGBA& colour);
DRELM_API void DRELM_DrawGradientRect(const Quelm::Rect& rect, const DRELM_RGBA& from,
                                      const DRELM_RGBA& to, DRELM_GRADIENT_DIRECTION direction);
DRELM_API void DRELM_DrawGradientRectH(const Quelm::Rect& rect, const DRELM_RGBA& left,
                                       const DRELM_RGBA& right);
DRELM_API void DRELM_DrawGradientRectV(const Quelm::Rect& rect, const DRELM_RGBA& top,
                                       const DRELM_RGBA& bottom);

// ---------------------------------------------------------------------------------------
// Creating and freeing resources (same messages as the class methods)
// ---------------------------------------------------------------------------------------

DRELM_API DRELM_Surface* DRELM_CreateSurface(int width, int height, DRELM_FORMAT format,
                                             uint32_t flags = 0);
DRELM_API DRELM_Surface* DRELM_CreateSurface(const char* fileName, uint32_t flags = 0);
// A picture file's bytes in memory (same decoders and messages as loading from a file).
DRELM_API DRELM_Surface* DRELM_CreateSurfaceFromMemory(const void* data, size_t size,
                                                       uint32_t flags = 0);
// A converted copy of `source` (a, b as for DRELM_Surface::Convert).
DRELM_API DRELM_Surface* DRELM_CreateSurface(const DRELM_Surface* source, DRELM_FORMAT format,
                                             uint32_t a = 0, uint32_t b = 0);
DRELM_API void DRELM_FreeSurface(DRELM_Surface* surface);  // nullptr is ignored
DRELM_API DRELM_Texture* DRELM_CreateTexture(int width, int height, DRELM_FORMAT format,
                                             uint32_t flags = 0);
DRELM_API DRELM_Texture* DRELM_CreateTexture(const char* fileName,
                                             DRELM_FORMAT format = DRELM_FORMAT_A8R8G8B8,
                                             uint32_t a = 0, uint32_t b = 0);
DRELM_API void DRELM_FreeTexture(DRELM_Texture* texture);  // nullptr is ignored
DRELM_API DRELM_Font* DRELM_CreateFont(const char* name, int size, uint32_t flags = 0,
                                       DRELM_FONT_LOAD_MODE loadMode = DRELM_FONT_LOAD_AUTO);
DRELM_API void DRELM_FreeFont(DRELM_Font* font);  // nullptr is ignored

// ---------------------------------------------------------------------------------------
// Cursor
// ---------------------------------------------------------------------------------------

// Loads a picture as a mouse cursor with its hot spot; gives back its number for
// DRELM_SetCursor. Throws the SurfaceLoader messages.
DRELM_API int DRELM_LoadCursor(const char* fileName, int hotX, int hotY);
// DRELM_CURSOR_* or a number from DRELM_LoadCursor; unknown numbers are ignored.
DRELM_API void DRELM_SetCursor(int cursor);

// ---------------------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------------------

// Advances the millisecond clock, swaps the key-state arrays, reads the pending input
// and queues its events, then the key repeats.
DRELM_API void DRELM_UpdateInput();
// The next queued event; false when none is left.
DRELM_API bool DRELM_GetEvent(DRELM_Event* event);
// 256 entries indexed by key code, nonzero while the key is held; current and previous
// update.
DRELM_API const uint8_t* DRELM_GetKeyState();
DRELM_API const uint8_t* DRELM_GetOldKeyState();
DRELM_API uint32_t DRELM_GetKeyModifiers();
// Index 0..DRELM_KEY_NAME_COUNT-1 (key codes, then the joystick names); "" when unnamed.
DRELM_API const char* DRELM_GetKeyName(int key);
// Position in window coordinates and DRELM_MOUSE_* bits; either pointer may be nullptr.
DRELM_API void DRELM_GetMouseState(DRELM_Point* position, uint32_t* buttons);
// Joystick `index` (0..7); false (state zeroed) when it is not present.
DRELM_API bool DRELM_GetJoystickState(int index, DRELM_JoystickState* state);
DRELM_API uint32_t DRELM_GetInputCapabilities();
// The millisecond clock (advanced by DRELM_UpdateInput).
DRELM_API uint32_t DRELM_GetTime();
// Whether the event ring has dropped events since the last DRELM_ClearEventOverflow.
DRELM_API bool DRELM_EventOverflow();
DRELM_API void DRELM_ClearEventOverflow();

// ---------------------------------------------------------------------------------------
// For tests and tools
// ---------------------------------------------------------------------------------------

// Saves the current back buffer (what the next DRELM_NextFrame would show) as PNG.
DRELM_API void DRELM_SaveScreenshot(const char* fileName);
// The back buffer as a surface copy (A8R8G8B8), for reading pixels.
DRELM_API DRELM_Surface* DRELM_GrabScreen();

// Replaces the high-resolution counter: `counter` returns ticks, `ticksPerSecond` of
// them a second. nullptr restores the system clock.
using DRELM_CounterFunction = uint64_t (*)(void* user);
DRELM_API void DRELM_SetCounter(DRELM_CounterFunction counter, uint64_t ticksPerSecond, void* user);

// Input as if it came from the window system; handled at the next DRELM_UpdateInput in
// the order given. `sdlScancode` is an SDL_Scancode value; `character` the text the key
// typed (0: derived from the key and the modifiers).
DRELM_API void DRELM_InjectKey(int sdlScancode, bool down, int character = 0);
// Text from the window system with no key press before it (UTF-8).
DRELM_API void DRELM_InjectText(const char* utf8);
DRELM_API void DRELM_InjectMouseMove(int x, int y);
DRELM_API void DRELM_InjectMouseButton(int button, bool down, int x,
                                       int y);  // 1 left, 2 middle, 3 right
DRELM_API void DRELM_InjectWheel(int notches);  // > 0 away from the user
// A raw SDL_Event (pointer to SDL_Event).
DRELM_API void DRELM_InjectSdlEvent(const void* sdlEvent);
// Acts as if the window system reported the device reset.
DRELM_API void DRELM_SimulateDeviceLost();
// The name (or path) under which the ILBM library is looked for; nullptr restores
// "libilbm.so".
DRELM_API void DRELM_SetIlbmLibrary(const char* name);
// The set-1 key code for an SDL_Scancode value (0 when the key has none).
DRELM_API uint8_t DRELM_KeyFromScancode(int sdlScancode);
