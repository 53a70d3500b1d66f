// The formats of text lines: "%20s" (text of at most 20 characters), "%1D".."%3D" (a
// number of that many digits), "%2D.%3D" (a number shown with three decimals: the value
// counts units of 1/scale), and "%2X" (hexadecimal digits).
#pragma once

#include <string>

struct GUI_Format {
    bool number = false;
    bool hex = false;
    int digits = 0;       // digits before the point
    int decimals = 0;     // digits after the point
    int maxLength = 255;  // characters that may be typed
};

// A missing or unknown format is a text of up to 255 characters.
GUI_Format GUI_ParseFormat(const char* format);

// The value as the field shows it ("6.000" for 48 with scale 8 and three decimals,
// "1F" in hexadecimal).
std::string GUI_FormatNumber(const GUI_Format& format, int value, int scale);

// Reads what was typed; false when it is not a number of the format (the field then keeps
// its value). Fractions are rounded to the nearest unit.
bool GUI_ParseNumber(const GUI_Format& format, const std::string& text, int scale, int& value);
