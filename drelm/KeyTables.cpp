// The key tables: SDL scan codes to PC set-1 key codes, the names of the keys, and the
// US-layout characters used when the window system sends no text for a key.
#include "KeyTables.h"

#include <array>
#include <string>

namespace drelm {

namespace {

struct ScancodePair {
    SDL_Scancode scancode;
    uint8_t key;
};

// Keys sent with the E0 prefix carry bit 7.
constexpr ScancodePair kScancodes[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},
    {SDL_SCANCODE_1, 0x02},
    {SDL_SCANCODE_2, 0x03},
    {SDL_SCANCODE_3, 0x04},
    {SDL_SCANCODE_4, 0x05},
    {SDL_SCANCODE_5, 0x06},
    {SDL_SCANCODE_6, 0x07},
    {SDL_SCANCODE_7, 0x08},
    {SDL_SCANCODE_8, 0x09},
    {SDL_SCANCODE_9, 0x0A},
    {SDL_SCANCODE_0, 0x0B},
    {SDL_SCANCODE_MINUS, 0x0C},
    {SDL_SCANCODE_EQUALS, 0x0D},
    {SDL_SCANCODE_BACKSPACE, 0x0E},
    {SDL_SCANCODE_TAB, 0x0F},
    {SDL_SCANCODE_Q, 0x10},
    {SDL_SCANCODE_W, 0x11},
    {SDL_SCANCODE_E, 0x12},
    {SDL_SCANCODE_R, 0x13},
    {SDL_SCANCODE_T, 0x14},
    {SDL_SCANCODE_Y, 0x15},
    {SDL_SCANCODE_U, 0x16},
    {SDL_SCANCODE_I, 0x17},
    {SDL_SCANCODE_O, 0x18},
    {SDL_SCANCODE_P, 0x19},
    {SDL_SCANCODE_LEFTBRACKET, 0x1A},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B},
    {SDL_SCANCODE_RETURN, 0x1C},
    {SDL_SCANCODE_LCTRL, 0x1D},
    {SDL_SCANCODE_A, 0x1E},
    {SDL_SCANCODE_S, 0x1F},
    {SDL_SCANCODE_D, 0x20},
    {SDL_SCANCODE_F, 0x21},
    {SDL_SCANCODE_G, 0x22},
    {SDL_SCANCODE_H, 0x23},
    {SDL_SCANCODE_J, 0x24},
    {SDL_SCANCODE_K, 0x25},
    {SDL_SCANCODE_L, 0x26},
    {SDL_SCANCODE_SEMICOLON, 0x27},
    {SDL_SCANCODE_APOSTROPHE, 0x28},
    {SDL_SCANCODE_GRAVE, 0x29},
    {SDL_SCANCODE_LSHIFT, 0x2A},
    // The key left of Enter: ISO boards report it either way.
    {SDL_SCANCODE_BACKSLASH, 0x2B},
    {SDL_SCANCODE_NONUSHASH, 0x2B},
    {SDL_SCANCODE_Z, 0x2C},
    {SDL_SCANCODE_X, 0x2D},
    {SDL_SCANCODE_C, 0x2E},
    {SDL_SCANCODE_V, 0x2F},
    {SDL_SCANCODE_B, 0x30},
    {SDL_SCANCODE_N, 0x31},
    {SDL_SCANCODE_M, 0x32},
    {SDL_SCANCODE_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, 0x34},
    {SDL_SCANCODE_SLASH, 0x35},
    {SDL_SCANCODE_RSHIFT, 0x36},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37},
    {SDL_SCANCODE_LALT, 0x38},
    {SDL_SCANCODE_SPACE, 0x39},
    {SDL_SCANCODE_CAPSLOCK, 0x3A},
    {SDL_SCANCODE_F1, 0x3B},
    {SDL_SCANCODE_F2, 0x3C},
    {SDL_SCANCODE_F3, 0x3D},
    {SDL_SCANCODE_F4, 0x3E},
    {SDL_SCANCODE_F5, 0x3F},
    {SDL_SCANCODE_F6, 0x40},
    {SDL_SCANCODE_F7, 0x41},
    {SDL_SCANCODE_F8, 0x42},
    {SDL_SCANCODE_F9, 0x43},
    {SDL_SCANCODE_F10, 0x44},
    {SDL_SCANCODE_NUMLOCKCLEAR, 0x45},
    {SDL_SCANCODE_SCROLLLOCK, 0x46},
    {SDL_SCANCODE_KP_7, 0x47},
    {SDL_SCANCODE_KP_8, 0x48},
    {SDL_SCANCODE_KP_9, 0x49},
    {SDL_SCANCODE_KP_MINUS, 0x4A},
    {SDL_SCANCODE_KP_4, 0x4B},
    {SDL_SCANCODE_KP_5, 0x4C},
    {SDL_SCANCODE_KP_6, 0x4D},
    {SDL_SCANCODE_KP_PLUS, 0x4E},
    {SDL_SCANCODE_KP_1, 0x4F},
    {SDL_SCANCODE_KP_2, 0x50},
    {SDL_SCANCODE_KP_3, 0x51},
    {SDL_SCANCODE_KP_0, 0x52},
    {SDL_SCANCODE_KP_PERIOD, 0x53},
    {SDL_SCANCODE_NONUSBACKSLASH, 0x56},
    {SDL_SCANCODE_F11, 0x57},
    {SDL_SCANCODE_F12, 0x58},
    {SDL_SCANCODE_F13, 0x64},
    {SDL_SCANCODE_F14, 0x65},
    {SDL_SCANCODE_F15, 0x66},
    {SDL_SCANCODE_KP_EQUALS, 0x8D},
    {SDL_SCANCODE_AUDIOPREV, 0x90},
    {SDL_SCANCODE_AUDIONEXT, 0x99},
    {SDL_SCANCODE_KP_ENTER, 0x9C},
    {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_MUTE, 0xA0},
    {SDL_SCANCODE_AUDIOMUTE, 0xA0},
    {SDL_SCANCODE_CALCULATOR, 0xA1},
    {SDL_SCANCODE_AUDIOPLAY, 0xA2},
    {SDL_SCANCODE_AUDIOSTOP, 0xA4},
    {SDL_SCANCODE_VOLUMEDOWN, 0xAE},
    {SDL_SCANCODE_VOLUMEUP, 0xB0},
    {SDL_SCANCODE_AC_HOME, 0xB2},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5},
    {SDL_SCANCODE_PRINTSCREEN, 0xB7},
    {SDL_SCANCODE_RALT, 0xB8},
    {SDL_SCANCODE_PAUSE, 0xC5},
    {SDL_SCANCODE_HOME, 0xC7},
    {SDL_SCANCODE_UP, 0xC8},
    {SDL_SCANCODE_PAGEUP, 0xC9},
    {SDL_SCANCODE_LEFT, 0xCB},
    {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF},
    {SDL_SCANCODE_DOWN, 0xD0},
    {SDL_SCANCODE_PAGEDOWN, 0xD1},
    {SDL_SCANCODE_INSERT, 0xD2},
    {SDL_SCANCODE_DELETE, 0xD3},
    {SDL_SCANCODE_LGUI, 0xDB},
    {SDL_SCANCODE_RGUI, 0xDC},
    {SDL_SCANCODE_APPLICATION, 0xDD},
    {SDL_SCANCODE_POWER, 0xDE},
    {SDL_SCANCODE_SLEEP, 0xDF},
    {SDL_SCANCODE_AC_SEARCH, 0xE5},
    {SDL_SCANCODE_AC_BOOKMARKS, 0xE6},
    {SDL_SCANCODE_AC_REFRESH, 0xE7},
    {SDL_SCANCODE_AC_STOP, 0xE8},
    {SDL_SCANCODE_AC_FORWARD, 0xE9},
    {SDL_SCANCODE_AC_BACK, 0xEA},
    {SDL_SCANCODE_COMPUTER, 0xEB},
    {SDL_SCANCODE_MAIL, 0xEC},
    {SDL_SCANCODE_MEDIASELECT, 0xED},
    {SDL_SCANCODE_WWW, 0xB2},
};

struct KeyName {
    uint8_t key;
    const char* name;
};

constexpr KeyName kKeyNames[] = {
    {0x01, "escape"},
    {0x02, "1"},
    {0x03, "2"},
    {0x04, "3"},
    {0x05, "4"},
    {0x06, "5"},
    {0x07, "6"},
    {0x08, "7"},
    {0x09, "8"},
    {0x0A, "9"},
    {0x0B, "0"},
    {0x0C, "-"},
    {0x0D, "="},
    {0x0E, "backspace"},
    {0x0F, "tab"},
    {0x10, "q"},
    {0x11, "w"},
    {0x12, "e"},
    {0x13, "r"},
    {0x14, "t"},
    {0x15, "y"},
    {0x16, "u"},
    {0x17, "i"},
    {0x18, "o"},
    {0x19, "p"},
    {0x1A, "["},
    {0x1B, "]"},
    {0x1C, "return"},
    {0x1D, "ctrl"},
    {0x1E, "a"},
    {0x1F, "s"},
    {0x20, "d"},
    {0x21, "f"},
    {0x22, "g"},
    {0x23, "h"},
    {0x24, "j"},
    {0x25, "k"},
    {0x26, "l"},
    {0x27, ";"},
    {0x28, "'"},
    {0x29, "`"},
    {0x2A, "shift"},
    {0x2B, "\\"},
    {0x2C, "z"},
    {0x2D, "x"},
    {0x2E, "c"},
    {0x2F, "v"},
    {0x30, "b"},
    {0x31, "n"},
    {0x32, "m"},
    {0x33, ","},
    {0x34, "."},
    {0x35, "/"},
    {0x36, "right shift"},
    {0x37, "[*]"},
    {0x38, "left alt"},
    {0x39, "space"},
    {0x3A, "caps lock"},
    {0x3B, "F1"},
    {0x3C, "F2"},
    {0x3D, "F3"},
    {0x3E, "F4"},
    {0x3F, "F5"},
    {0x40, "F6"},
    {0x41, "F7"},
    {0x42, "F8"},
    {0x43, "F9"},
    {0x44, "F10"},
    {0x45, "num lock"},
    {0x46, "scroll lock"},
    {0x47, "[7]"},
    {0x48, "[8]"},
    {0x49, "[9]"},
    {0x4A, "[-]"},
    {0x4B, "[4]"},
    {0x4C, "[5]"},
    {0x4D, "[6]"},
    {0x4E, "[+]"},
    {0x4F, "[1]"},
    {0x50, "[2]"},
    {0x51, "[3]"},
    {0x52, "[0]"},
    {0x53, "[.]"},
    {0x56, "oem 102"},
    {0x57, "F11"},
    {0x58, "F12"},
    {0x64, "F13"},
    {0x65, "F14"},
    {0x66, "F15"},
    {0x8D, "[=]"},
    {0x90, "previous track"},
    {0x99, "next track"},
    {0x9C, "[enter]"},
    {0x9D, "right ctrl"},
    {0xA0, "mute"},
    {0xA1, "calculator"},
    {0xA2, "play / pause"},
    {0xA4, "media stop"},
    {0xAE, "volume down"},
    {0xB0, "volume up"},
    {0xB2, "web home"},
    {0xB5, "[/]"},
    {0xB7, "print screen"},
    {0xB8, "right alt"},
    {0xC5, "pause"},
    {0xC7, "home"},
    {0xC8, "up"},
    {0xC9, "page up"},
    {0xCB, "left"},
    {0xCD, "right"},
    {0xCF, "end"},
    {0xD0, "down"},
    {0xD1, "page down"},
    {0xD2, "insert"},
    {0xD3, "delete"},
    {0xDB, "left OS"},
    {0xDC, "right OS"},
    {0xDD, "app menu"},
    {0xDE, "power"},
    {0xDF, "sleep"},
    {0xE3, "wake"},
    {0xE5, "web search"},
    {0xE6, "web favorites"},
    {0xE7, "web refresh"},
    {0xE8, "web stop"},
    {0xE9, "web forward"},
    {0xEA, "web back"},
    {0xEB, "my computer"},
    {0xEC, "mail"},
    {0xED, "media select"},
};

struct Tables {
    std::array<uint8_t, SDL_NUM_SCANCODES> fromScancode{};
    std::array<std::string, DRELM_KEY_NAME_COUNT> names;

    Tables() {
        for (const ScancodePair& p : kScancodes) fromScancode[p.scancode] = p.key;
        for (const KeyName& n : kKeyNames) names[n.key] = n.name;
        static const char* const kDirections[4] = {"left", "right", "up", "down"};
        for (int j = 0; j < 8; ++j) {
            const std::string stick = "Joystick" + std::to_string(j + 1) + " ";
            const int base = DRELM_KEY_JOYSTICK_FIRST + j * DRELM_JOYSTICK_NAMES;
            for (int d = 0; d < 4; ++d)
                names[static_cast<size_t>(base + d)] = stick + kDirections[d];
            for (int b = 0; b < 16; ++b) {
                names[static_cast<size_t>(base + 4 + b)] =
                    stick + "button " + std::to_string(b + 1);
            }
        }
    }
};

const Tables& GetTables() {
    static const Tables tables;
    return tables;
}

}  // namespace

uint8_t KeyFromScancode(int scancode) {
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
    return GetTables().fromScancode[static_cast<size_t>(scancode)];
}

const char* KeyName(int key) {
    if (key < 0 || key >= DRELM_KEY_NAME_COUNT) return "";
    return GetTables().names[static_cast<size_t>(key)].c_str();
}

bool IsModifierKey(uint8_t key) {
    switch (key) {
        case DRELM_KEY_LSHIFT:
        case DRELM_KEY_RSHIFT:
        case DRELM_KEY_LCTRL:
        case DRELM_KEY_RCTRL:
        case DRELM_KEY_LALT:
        case DRELM_KEY_RALT:
        case DRELM_KEY_LOS:
        case DRELM_KEY_ROS:
        case DRELM_KEY_CAPSLOCK:
        case DRELM_KEY_NUMLOCK:
        case DRELM_KEY_SCROLLLOCK:
            return true;
        default:
            return false;
    }
}

int UsKeycode(int scancode) {
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return 'a' + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return '1' + (scancode - SDL_SCANCODE_1);
    switch (scancode) {
        case SDL_SCANCODE_0:
            return '0';
        case SDL_SCANCODE_RETURN:
            return SDLK_RETURN;
        case SDL_SCANCODE_ESCAPE:
            return SDLK_ESCAPE;
        case SDL_SCANCODE_BACKSPACE:
            return SDLK_BACKSPACE;
        case SDL_SCANCODE_TAB:
            return SDLK_TAB;
        case SDL_SCANCODE_SPACE:
            return ' ';
        case SDL_SCANCODE_MINUS:
            return '-';
        case SDL_SCANCODE_EQUALS:
            return '=';
        case SDL_SCANCODE_LEFTBRACKET:
            return '[';
        case SDL_SCANCODE_RIGHTBRACKET:
            return ']';
        case SDL_SCANCODE_BACKSLASH:
        case SDL_SCANCODE_NONUSHASH:
        case SDL_SCANCODE_NONUSBACKSLASH:
            return '\\';
        case SDL_SCANCODE_SEMICOLON:
            return ';';
        case SDL_SCANCODE_APOSTROPHE:
            return '\'';
        case SDL_SCANCODE_GRAVE:
            return '`';
        case SDL_SCANCODE_COMMA:
            return ',';
        case SDL_SCANCODE_PERIOD:
            return '.';
        case SDL_SCANCODE_SLASH:
            return '/';
        case SDL_SCANCODE_DELETE:
            return SDLK_DELETE;
        default:
            return SDL_SCANCODE_TO_KEYCODE(scancode);
    }
}

int ShiftedUs(int c) {
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    static const char kFrom[] = "1234567890-=[]\\;',./`";
    static const char kTo[] = "!@#$%^&*()_+{}|:\"<>?~";
    for (int i = 0; kFrom[i] != '\0'; ++i) {
        if (kFrom[i] == c) return kTo[i];
    }
    return c;
}

}  // namespace drelm
