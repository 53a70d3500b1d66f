// Key code tables (see KeyTables.cpp).
#pragma once

#include <SDL.h>

#include <cstdint>

#include "Drelm.h"

namespace drelm {

// The set-1 key code of an SDL scan code, 0 when the key has none.
uint8_t KeyFromScancode(int scancode);
// The name of a key code or joystick name index ("" when unnamed).
const char* KeyName(int key);
// Shift, Ctrl, Alt, OS keys and the three lock keys: they never repeat and type nothing.
bool IsModifierKey(uint8_t key);
// The key symbol a US layout gives a scan code (for input without a keyboard map).
int UsKeycode(int scancode);
// The character a US layout gives with Shift held.
int ShiftedUs(int c);

}  // namespace drelm
