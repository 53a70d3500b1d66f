// Input: the millisecond clock, the 64-event ring, key states, modifier bits, key repeat,
// double clicks, the mouse, the wheel, joysticks and the device-lost event. Window system
// events (or injected ones) are turned into the library's events at DRELM_UpdateInput.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>

#include "Internal.h"
#include "KeyTables.h"

namespace drelm {

namespace {

constexpr int kRingSize = 64;
constexpr int64_t kRepeatDelay = 200;
constexpr int64_t kRepeatInterval = 40;
constexpr int kMaxRepeatsPerUpdate = 11;
constexpr uint32_t kDoubleClickTime = 224;
constexpr int kDoubleClickDistance = 5;
constexpr int kMaxJoysticks = 8;

uint64_t SystemCounter(void*) {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

struct Input {
    // Event ring.
    std::array<DRELM_Event, kRingSize> ring{};
    int head = 0;
    int count = 0;
    uint8_t sequence = 0;
    bool dropping = false;  // the overflow mark: events are dropped until the ring drains
    bool dropped = false;   // some event was dropped since DRELM_ClearEventOverflow

    // Key states: current and previous update.
    std::array<uint8_t, 256> keysA{};
    std::array<uint8_t, 256> keysB{};
    uint8_t* current = keysA.data();
    uint8_t* old = keysB.data();
    bool caps = false;

    // Millisecond clock from the counter.
    DRELM_CounterFunction counter = SystemCounter;
    uint64_t ticksPerSecond = 1000000000ULL;
    void* counterUser = nullptr;
    uint64_t lastTicks = 0;
    unsigned __int128 carried = 0;  // ticks * 1000 not yet counted as a millisecond
    int64_t now = 0;

    // Key repeat.
    int repeatKey = -1;
    int repeatValue = 0;
    uint32_t repeatModifiers = 0;
    int64_t repeatClock = 0;
    std::array<int64_t, 256> pressedAt{};  // the clock at each key's last press

    // Mouse.
    int mouseX = 0;
    int mouseY = 0;
    uint32_t buttons = 0;
    bool hasPress = false;
    int64_t pressTime = 0;
    int pressX = 0;
    int pressY = 0;

    bool deviceLostQueued = false;
    bool deviceLostPending = false;

    std::vector<SDL_Event> injected;
    std::array<SDL_Joystick*, kMaxJoysticks> joysticks{};
};

Input& In() {
    static Input input;
    return input;
}

void Push(const DRELM_Event& e) {
    Input& in = In();
    if (in.dropping || in.count == kRingSize) {
        in.dropping = true;
        in.dropped = true;
        return;
    }
    DRELM_Event& slot = in.ring[static_cast<size_t>((in.head + in.count) % kRingSize)];
    slot = e;
    slot.ring = in.sequence++;
    ++in.count;
}

DRELM_Event MakeEvent(uint8_t type, uint8_t key = 0, int v1 = 0, int v2 = 0, int v3 = 0,
                      uint8_t flag = 0) {
    DRELM_Event e;
    e.type = type;
    e.key = key;
    e.flag = flag;
    e.value1 = static_cast<int16_t>(std::clamp(v1, -32768, 32767));
    e.value2 = static_cast<int16_t>(std::clamp(v2, -32768, 32767));
    e.value3 = static_cast<int16_t>(std::clamp(v3, -32768, 32767));
    return e;
}

uint32_t Modifiers() {
    const Input& in = In();
    const uint8_t* k = in.current;
    uint32_t m = 0;
    if (k[DRELM_KEY_LSHIFT]) m |= DRELM_MOD_LSHIFT;
    if (k[DRELM_KEY_RSHIFT]) m |= DRELM_MOD_RSHIFT;
    if (k[DRELM_KEY_LCTRL]) m |= DRELM_MOD_LCTRL;
    if (k[DRELM_KEY_RCTRL]) m |= DRELM_MOD_RCTRL;
    if (k[DRELM_KEY_LALT]) m |= DRELM_MOD_LALT;
    if (k[DRELM_KEY_RALT]) m |= DRELM_MOD_RALT;
    if (k[DRELM_KEY_LOS]) m |= DRELM_MOD_LOS;
    if (k[DRELM_KEY_ROS]) m |= DRELM_MOD_ROS;
    if (in.caps) m |= DRELM_MOD_CAPS;
    return m;
}

// Decodes the UTF-8 character at `text`; gives back its length in bytes (0 at the end or
// at a byte that starts no valid character, which is then skipped by the caller).
int DecodeCharacter(const char* text, int& character) {
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    character = 0;
    if (s[0] == 0) return 0;
    if (s[0] < 0x80) {
        character = s[0];
        return 1;
    }
    int length = (s[0] & 0xE0) == 0xC0   ? 2
                 : (s[0] & 0xF0) == 0xE0 ? 3
                 : (s[0] & 0xF8) == 0xF0 ? 4
                                         : 0;
    if (length == 0) return 0;
    int c = s[0] & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (s[i] & 0x3F);
    }
    character = c;
    return length;
}

// The first character of UTF-8 text, 0 when there is none.
int FirstCharacter(const char* text) {
    int c = 0;
    DecodeCharacter(text, c);
    return c;
}

// A key event carries its character in value 1 (the low 16 bits) and value 3 (the bits
// above), so that every character of the text fits.
DRELM_Event KeyEvent(uint8_t key, int character, uint32_t mods, uint8_t flag) {
    DRELM_Event e;
    e.type = DRELM_EVENT_KEY_DOWN;
    e.key = key;
    e.flag = flag;
    e.value1 = static_cast<int16_t>(static_cast<uint16_t>(character & 0xFFFF));
    e.value2 = static_cast<int16_t>(mods);
    e.value3 = static_cast<int16_t>(character >> 16);
    return e;
}

// The character a key types: the text the window system sent right after it when there
// is one, else derived from the key symbol and Shift / Caps.
int KeyCharacter(uint8_t key, const SDL_Keysym& sym, const SDL_Event* next, uint32_t mods) {
    if (IsModifierKey(key)) return 0;
    if (next != nullptr && next->type == SDL_TEXTINPUT) {
        const int c = FirstCharacter(next->text.text);
        if (c != 0) return c;
    }
    int k = sym.sym;
    if (k == SDLK_UNKNOWN) k = UsKeycode(sym.scancode);
    const bool shift = (mods & DRELM_MOD_SHIFT) != 0;
    switch (k) {
        case SDLK_KP_ENTER:
            return '\r';
        case SDLK_KP_DIVIDE:
            return '/';
        case SDLK_KP_MULTIPLY:
            return '*';
        case SDLK_KP_MINUS:
            return '-';
        case SDLK_KP_PLUS:
            return '+';
        case SDLK_KP_PERIOD:
            return '.';
        case SDLK_KP_0:
            return '0';
        default:
            break;
    }
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return '1' + (k - SDLK_KP_1);
    if (k >= 'a' && k <= 'z') {
        const bool upper = shift != ((mods & DRELM_MOD_CAPS) != 0);
        return upper ? k - 'a' + 'A' : k;
    }
    if (k >= 32 && k < 127) return shift ? ShiftedUs(k) : k;
    if (k == SDLK_RETURN || k == SDLK_BACKSPACE || k == SDLK_TAB || k == SDLK_ESCAPE ||
        k == SDLK_DELETE) {
        return k;
    }
    if (k >= 128 && k <= 0x10FFFF && (k & SDLK_SCANCODE_MASK) == 0) return k;
    return 0;
}

// A repeat of the window system's, which the library drops as it makes its own. Some window
// systems fold a release followed at once by a press of the same key into a repeat (a
// typist's tool, a double letter typed very fast); sooner after the press than any key
// repeats, it is a press of its own.
bool IsWindowSystemRepeat(const SDL_Event& e) {
    if (e.key.repeat == 0) return false;
    const Input& in = In();
    const uint8_t key = KeyFromScancode(e.key.keysym.scancode);
    return key == 0 || in.current[key] == 0 || in.now - in.pressedAt[key] >= kRepeatDelay;
}

void KeyDown(const SDL_Event& e, const SDL_Event* next) {
    Input& in = In();
    if (IsWindowSystemRepeat(e)) return;
    const uint8_t key = KeyFromScancode(e.key.keysym.scancode);
    if (key == 0) return;
    in.current[key] = 1;
    in.pressedAt[key] = in.now;
    if (key == DRELM_KEY_CAPSLOCK) in.caps = !in.caps;
    const uint32_t mods = Modifiers();
    const int character = KeyCharacter(key, e.key.keysym, next, mods);
    Push(KeyEvent(key, character, mods, 0));
    if (!IsModifierKey(key)) {
        in.repeatKey = key;
        in.repeatValue = character;
        in.repeatModifiers = mods;
        in.repeatClock = in.now + kRepeatDelay;
    }
}

// Text that no key of the library's table typed (a character the window system made from
// a dead key or an input method, or a key the table does not know): each character comes
// as a key press of key code 0. The text that follows a key press belongs to that key,
// which carries its first character; a repeat of the window system's carries none, since
// the library makes its own repeats.
void TextInput(const SDL_Event& e, const SDL_Event* previous) {
    const char* text = e.text.text;
    if (previous != nullptr && previous->type == SDL_KEYDOWN) {
        if (IsWindowSystemRepeat(*previous)) return;
        const uint8_t key = KeyFromScancode(previous->key.keysym.scancode);
        if (key != 0 && !IsModifierKey(key)) {
            // The key carries only a whole first character: a stray byte is left to the
            // loop below, which skips it, and empty text is not stepped past its end.
            int first = 0;
            text += DecodeCharacter(text, first);
        }
    }
    const uint32_t mods = Modifiers();
    while (*text != 0) {
        int c = 0;
        const int length = DecodeCharacter(text, c);
        text += length > 0 ? length : 1;
        if (c >= 32 && c != 127) Push(KeyEvent(0, c, mods, 0));
    }
}

void KeyUp(uint8_t key) {
    Input& in = In();
    if (key == 0) return;
    in.current[key] = 0;
    Push(MakeEvent(DRELM_EVENT_KEY_UP, key));
    if (in.repeatKey == key) in.repeatKey = -1;
}

// Keys held while the window loses the focus would never see their release.
void ReleaseAllKeys() {
    Input& in = In();
    for (int k = 0; k < 256; ++k) {
        if (in.current[k] != 0) KeyUp(static_cast<uint8_t>(k));
    }
    in.repeatKey = -1;
}

void MouseTo(int x, int y) {
    Input& in = In();
    if (x == in.mouseX && y == in.mouseY) return;
    in.mouseX = x;
    in.mouseY = y;
    Push(MakeEvent(DRELM_EVENT_MOUSE_MOVE, 0, x, y));
}

void MouseButton(const SDL_MouseButtonEvent& b, bool down) {
    Input& in = In();
    MouseTo(b.x, b.y);
    uint32_t bit = 0;
    uint8_t type = 0;
    switch (b.button) {
        case SDL_BUTTON_LEFT:
            bit = DRELM_MOUSE_LEFT;
            type = down ? DRELM_EVENT_LEFT_DOWN : DRELM_EVENT_LEFT_UP;
            break;
        case SDL_BUTTON_RIGHT:
            bit = DRELM_MOUSE_RIGHT;
            type = down ? DRELM_EVENT_RIGHT_DOWN : DRELM_EVENT_RIGHT_UP;
            break;
        case SDL_BUTTON_MIDDLE:
            bit = DRELM_MOUSE_MIDDLE;
            type = down ? DRELM_EVENT_MIDDLE_DOWN : DRELM_EVENT_MIDDLE_UP;
            break;
        default:
            return;
    }
    if (!down) {
        in.buttons &= ~bit;
        Push(MakeEvent(type));
        return;
    }
    in.buttons |= bit;
    uint8_t flag = 0;
    if (type == DRELM_EVENT_LEFT_DOWN) {
        if (in.hasPress && in.now - in.pressTime <= kDoubleClickTime &&
            std::abs(b.x - in.pressX) <= kDoubleClickDistance &&
            std::abs(b.y - in.pressY) <= kDoubleClickDistance) {
            flag = 1;
        }
        in.hasPress = true;
        in.pressTime = in.now;
        in.pressX = b.x;
        in.pressY = b.y;
    }
    Push(MakeEvent(type, 0, 0, static_cast<int>(Modifiers()), 0, flag));
}

void Wheel(const SDL_MouseWheelEvent& w) {
    int notches = w.y;
    if (w.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
    if (notches == 0) return;
    const int change = notches * DRELM_WHEEL_NOTCH;
    Push(MakeEvent(change > 0 ? DRELM_EVENT_WHEEL_UP : DRELM_EVENT_WHEEL_DOWN, 0, 0, 0, change));
}

void JoystickAdded(int deviceIndex) {
    Input& in = In();
    for (SDL_Joystick*& slot : in.joysticks) {
        if (slot != nullptr) continue;
        slot = SDL_JoystickOpen(deviceIndex);
        return;
    }
}

void JoystickRemoved(SDL_JoystickID id) {
    for (SDL_Joystick*& slot : In().joysticks) {
        if (slot != nullptr && SDL_JoystickInstanceID(slot) == id) {
            SDL_JoystickClose(slot);
            slot = nullptr;
        }
    }
}

void AdvanceClock() {
    Input& in = In();
    const uint64_t ticks = in.counter(in.counterUser);
    const uint64_t elapsed = ticks - in.lastTicks;
    in.lastTicks = ticks;
    // Work in ticks * 1000 so that any counter frequency divides into whole milliseconds;
    // first 10 ms steps, then 1 ms steps, the rest below a millisecond is carried.
    in.carried += static_cast<unsigned __int128>(elapsed) * 1000u;
    const unsigned __int128 oneMs = in.ticksPerSecond;
    const unsigned __int128 tenMs = oneMs * 10u;
    const unsigned __int128 tens = in.carried / tenMs;
    in.carried -= tens * tenMs;
    in.now += static_cast<int64_t>(tens) * 10;
    const unsigned __int128 ones = in.carried / oneMs;
    in.carried -= ones * oneMs;
    in.now += static_cast<int64_t>(ones);
}

void QueueRepeats() {
    Input& in = In();
    if (in.repeatKey < 0) return;
    const int64_t passed = in.now - in.repeatClock;
    if (passed < kRepeatInterval) return;
    const int64_t n = std::min<int64_t>(passed / kRepeatInterval, kMaxRepeatsPerUpdate);
    for (int64_t i = 0; i < n; ++i) {
        Push(KeyEvent(static_cast<uint8_t>(in.repeatKey), in.repeatValue, in.repeatModifiers, 1));
    }
    in.repeatClock = in.now;
}

void TryQueueDeviceLost() {
    Input& in = In();
    if (!in.deviceLostPending || in.deviceLostQueued) return;
    const bool wasDropped = in.dropped;
    const int before = in.count;
    Push(MakeEvent(DRELM_EVENT_DEVICE_LOST));
    if (in.count > before) {
        in.deviceLostQueued = true;
        in.deviceLostPending = false;
    } else {
        in.dropped = wasDropped || in.dropped;  // tried again next update
    }
}

}  // namespace

void InputReset() {
    Input& in = In();
    DRELM_CounterFunction counter = in.counter;
    const uint64_t ticksPerSecond = in.ticksPerSecond;
    void* user = in.counterUser;
    std::vector<SDL_Event> injected = std::move(in.injected);
    for (SDL_Joystick* j : in.joysticks) {
        if (j != nullptr) SDL_JoystickClose(j);
    }
    in = Input();
    in.current = in.keysA.data();
    in.old = in.keysB.data();
    in.counter = counter;
    in.ticksPerSecond = ticksPerSecond;
    in.counterUser = user;
    in.lastTicks = counter(user);
    in.injected = std::move(injected);
}

void InputShutdown() {
    Input& in = In();
    for (SDL_Joystick*& j : in.joysticks) {
        if (j != nullptr) SDL_JoystickClose(j);
        j = nullptr;
    }
}

void InputQueueDeviceLost() {
    Input& in = In();
    if (in.deviceLostQueued) return;
    in.deviceLostPending = true;
    TryQueueDeviceLost();
}

void InputDeviceRestored() {
    Input& in = In();
    in.deviceLostQueued = false;
    in.deviceLostPending = false;
}

void InputHandleSdlEvent(const SDL_Event& e, const SDL_Event* previous, const SDL_Event* next) {
    switch (e.type) {
        case SDL_KEYDOWN:
            KeyDown(e, next);
            break;
        case SDL_TEXTINPUT:
            TextInput(e, previous);
            break;
        case SDL_KEYUP:
            if (e.key.repeat == 0) KeyUp(KeyFromScancode(e.key.keysym.scancode));
            break;
        case SDL_MOUSEMOTION:
            MouseTo(e.motion.x, e.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
            MouseButton(e.button, true);
            break;
        case SDL_MOUSEBUTTONUP:
            MouseButton(e.button, false);
            break;
        case SDL_MOUSEWHEEL:
            Wheel(e.wheel);
            break;
        case SDL_JOYDEVICEADDED:
            JoystickAdded(e.jdevice.which);
            break;
        case SDL_JOYDEVICEREMOVED:
            JoystickRemoved(e.jdevice.which);
            break;
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            InputQueueDeviceLost();
            break;
        case SDL_QUIT:
            Push(MakeEvent(DRELM_EVENT_QUIT));
            break;
        case SDL_WINDOWEVENT:
            switch (e.window.event) {
                case SDL_WINDOWEVENT_MINIMIZED:
                case SDL_WINDOWEVENT_HIDDEN:
                    Lib().video.minimized = true;
                    break;
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_SHOWN:
                case SDL_WINDOWEVENT_EXPOSED:
                    Lib().video.minimized = false;
                    break;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    ReleaseAllKeys();
                    break;
                default:
                    break;
            }
            break;
        default:
            break;
    }
}

}  // namespace drelm

using drelm::In;
using drelm::Lib;

void DRELM_UpdateInput() {
    std::lock_guard<std::recursive_mutex> lock(Lib().mutex);
    drelm::Input& in = In();
    drelm::AdvanceClock();
    std::swap(in.current, in.old);
    std::memcpy(in.current, in.old, 256);

    std::vector<SDL_Event> events = std::move(in.injected);
    in.injected.clear();
    if (SDL_WasInit(SDL_INIT_EVENTS) != 0) {
        SDL_Event e;
        while (SDL_PollEvent(&e) != 0) events.push_back(e);
    }
    for (size_t i = 0; i < events.size(); ++i) {
        drelm::InputHandleSdlEvent(events[i], i > 0 ? &events[i - 1] : nullptr,
                                   i + 1 < events.size() ? &events[i + 1] : nullptr);
    }
    drelm::TryQueueDeviceLost();
    drelm::QueueRepeats();
}

bool DRELM_GetEvent(DRELM_Event* event) {
    std::lock_guard<std::recursive_mutex> lock(Lib().mutex);
    drelm::Input& in = In();
    if (in.count == 0) {
        in.dropping = false;
        return false;
    }
    if (event != nullptr) *event = in.ring[static_cast<size_t>(in.head)];
    in.head = (in.head + 1) % drelm::kRingSize;
    --in.count;
    return true;
}

const uint8_t* DRELM_GetKeyState() { return In().current; }
const uint8_t* DRELM_GetOldKeyState() { return In().old; }

uint32_t DRELM_GetKeyModifiers() {
    std::lock_guard<std::recursive_mutex> lock(Lib().mutex);
    return drelm::Modifiers();
}

const char* DRELM_GetKeyName(int key) { return drelm::KeyName(key); }

void DRELM_GetMouseState(DRELM_Point* position, uint32_t* buttons) {
    std::lock_guard<std::recursive_mutex> lock(Lib().mutex);
    if (position != nullptr) *position = DRELM_Point(In().mouseX, In().mouseY);
    if (buttons != nullptr) *buttons = In().buttons;
}

bool DRELM_GetJoystickState(int index, DRELM_JoystickState* state) {
    std::lock_guard<std::recursive_mutex> lock(Lib().mutex);
    DRELM_JoystickState s;
    bool present = false;
    if (index >= 0 && index < drelm::kMaxJoysticks) {
        SDL_Joystick* j = In().joysticks[static_cast<size_t>(index)];
        if (j != nullptr) {
            present = true;
            if (SDL_JoystickNumAxes(j) >= 2) {
                s.x = SDL_JoystickGetAxis(j, 0) * 1000 / 32767;
                s.y = SDL_JoystickGetAxis(j, 1) * 1000 / 32767;
                s.x = std::clamp(s.x, -1000, 1000);
                s.y = std::clamp(s.y, -1000, 1000);
            }
            const int count = std::min(SDL_JoystickNumButtons(j), 32);
            for (int b = 0; b < count; ++b) {
                if (SDL_JoystickGetButton(j, b) != 0) s.buttons |= 1u << b;
            }
            if (SDL_JoystickNumHats(j) > 0) {
                static const int kAngles[16] = {-1,  0,   90, 45, 180, -1, 135, -1,
                                                270, 315, -1, -1, 225, -1, -1,  -1};
                s.hat = kAngles[SDL_JoystickGetHat(j, 0) & 15];
            }
        }
    }
    if (state != nullptr) *state = s;
    return present;
}

uint32_t DRELM_GetInputCapabilities() {
    std::lock_guard<std::recursive_mutex> lock(Lib().mutex);
    uint32_t caps = DRELM_INPUT_KEYBOARD;
    if (Lib().video.window != nullptr) caps |= DRELM_INPUT_MOUSE;
    for (int j = 0; j < drelm::kMaxJoysticks; ++j) {
        if (In().joysticks[static_cast<size_t>(j)] != nullptr)
            caps |= DRELM_INPUT_JOYSTICK_FIRST << j;
    }
    return caps;
}

uint32_t DRELM_GetTime() { return static_cast<uint32_t>(In().now); }

bool DRELM_EventOverflow() { return In().dropped; }
void DRELM_ClearEventOverflow() { In().dropped = false; }

void DRELM_SetCounter(DRELM_CounterFunction counter, uint64_t ticksPerSecond, void* user) {
    std::lock_guard<std::recursive_mutex> lock(Lib().mutex);
    drelm::Input& in = In();
    if (counter == nullptr || ticksPerSecond == 0) {
        in.counter = drelm::SystemCounter;
        in.ticksPerSecond = 1000000000ULL;
        in.counterUser = nullptr;
    } else {
        in.counter = counter;
        in.ticksPerSecond = ticksPerSecond;
        in.counterUser = user;
    }
    in.lastTicks = in.counter(in.counterUser);
    in.carried = 0;
}

// ---- Injection ---------------------------------------------------------------------------

void DRELM_InjectSdlEvent(const void* sdlEvent) {
    if (sdlEvent == nullptr) return;
    std::lock_guard<std::recursive_mutex> lock(Lib().mutex);
    In().injected.push_back(*static_cast<const SDL_Event*>(sdlEvent));
}

void DRELM_InjectKey(int sdlScancode, bool down, int character) {
    if (sdlScancode <= SDL_SCANCODE_UNKNOWN || sdlScancode >= SDL_NUM_SCANCODES) return;
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = static_cast<SDL_Scancode>(sdlScancode);
    e.key.keysym.sym = drelm::UsKeycode(sdlScancode);
    DRELM_InjectSdlEvent(&e);
    if (down && character > 0) {
        SDL_Event t{};
        t.type = SDL_TEXTINPUT;
        // Characters above 0x7F are sent as UTF-8, as a window system would.
        char* out = t.text.text;
        if (character < 0x80) {
            out[0] = static_cast<char>(character);
        } else if (character < 0x800) {
            out[0] = static_cast<char>(0xC0 | (character >> 6));
            out[1] = static_cast<char>(0x80 | (character & 0x3F));
        } else if (character < 0x10000) {
            out[0] = static_cast<char>(0xE0 | ((character >> 12) & 0x0F));
            out[1] = static_cast<char>(0x80 | ((character >> 6) & 0x3F));
            out[2] = static_cast<char>(0x80 | (character & 0x3F));
        } else {
            out[0] = static_cast<char>(0xF0 | ((character >> 18) & 0x07));
            out[1] = static_cast<char>(0x80 | ((character >> 12) & 0x3F));
            out[2] = static_cast<char>(0x80 | ((character >> 6) & 0x3F));
            out[3] = static_cast<char>(0x80 | (character & 0x3F));
        }
        DRELM_InjectSdlEvent(&t);
    }
}

void DRELM_InjectText(const char* utf8) {
    if (utf8 == nullptr) return;
    // The window system cuts long text into events of at most 31 bytes, whole characters.
    const size_t limit = sizeof(SDL_TextInputEvent::text) - 1;
    size_t length = std::strlen(utf8);
    while (length > 0) {
        size_t n = std::min(length, limit);
        while (n < length && n > 0 && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80) --n;
        if (n == 0) n = std::min(length, limit);
        SDL_Event t{};
        t.type = SDL_TEXTINPUT;
        std::memcpy(t.text.text, utf8, n);
        DRELM_InjectSdlEvent(&t);
        utf8 += n;
        length -= n;
    }
}

void DRELM_InjectMouseMove(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    DRELM_InjectSdlEvent(&e);
}

void DRELM_InjectMouseButton(int button, bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = static_cast<uint8_t>(button);
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    DRELM_InjectSdlEvent(&e);
}

void DRELM_InjectWheel(int notches) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = notches;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    DRELM_InjectSdlEvent(&e);
}

void DRELM_SimulateDeviceLost() {
    SDL_Event e{};
    e.type = SDL_RENDER_DEVICE_RESET;
    DRELM_InjectSdlEvent(&e);
}

uint8_t DRELM_KeyFromScancode(int sdlScancode) { return drelm::KeyFromScancode(sdlScancode); }
