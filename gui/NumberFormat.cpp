// Number and text formats of text lines; see NumberFormat.h.
#include "gui/NumberFormat.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Reads "%<n><letter>" at `p`; gives back the letter (0 when there is none).
char ReadSpec(const char*& p, int& n) {
    if (*p != '%') return 0;
    ++p;
    n = 0;
    while (std::isdigit(static_cast<unsigned char>(*p)) && n < 1000) n = n * 10 + (*p++ - '0');
    return *p ? *p++ : 0;
}

}  // namespace

GUI_Format GUI_ParseFormat(const char* format) {
    GUI_Format f;
    if (!format) return f;
    const char* p = format;
    int n = 0;
    char letter = ReadSpec(p, n);
    if (letter == 's' && n > 0 && *p == 0) {
        f.maxLength = n;
    } else if ((letter == 'D' || letter == 'd') && n >= 1 && n <= 9) {
        f.number = true;
        f.digits = n;
        if (*p == '.') {
            ++p;
            int d = 0;
            char second = ReadSpec(p, d);
            if ((second == 'D' || second == 'd') && d >= 1 && d <= 6 && *p == 0) f.decimals = d;
        }
        f.maxLength = f.digits + (f.decimals ? f.decimals + 1 : 0) + 1;
    } else if ((letter == 'X' || letter == 'x') && n >= 1 && n <= 8) {
        f.number = true;
        f.hex = true;
        f.digits = n;
        f.maxLength = n + 1;  // room for a "$" prefix
    }
    return f;
}

std::string GUI_FormatNumber(const GUI_Format& f, int value, int scale) {
    char buffer[64];
    if (f.hex) {
        std::snprintf(buffer, sizeof buffer, "%0*X", f.digits, unsigned(value));
        return buffer;
    }
    if (!f.decimals || scale <= 0) return std::to_string(value);
    int64_t v = value;
    bool negative = v < 0;
    if (negative) v = -v;
    int64_t whole = v / scale;
    int64_t power = 1;
    for (int i = 0; i < f.decimals; ++i) power *= 10;
    int64_t fraction = ((v % scale) * power + scale / 2) / scale;
    if (fraction >= power) {
        ++whole;
        fraction -= power;
    }
    std::snprintf(buffer, sizeof buffer, "%s%lld.%0*lld", negative ? "-" : "", (long long)whole,
                  f.decimals, (long long)fraction);
    return buffer;
}

bool GUI_ParseNumber(const GUI_Format& f, const std::string& text, int scale, int& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    size_t end = text.size();
    while (end > i && text[end - 1] == ' ') --end;
    if (i == end) return false;
    if (f.hex) {
        if (text[i] == '$') ++i;
        if (i == end || end - i > 8) return false;
        uint32_t v = 0;
        for (; i < end; ++i) {
            char c = text[i];
            if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
            v = v * 16 + (std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : (std::toupper(c) - 'A' + 10));
        }
        value = int(v);
        return true;
    }
    bool negative = false;
    if (text[i] == '-') {
        negative = true;
        ++i;
    }
    int64_t whole = 0;
    int digits = 0;
    for (; i < end && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++digits) {
        whole = whole * 10 + (text[i] - '0');
        if (whole > 1000000000) return false;
    }
    double fraction = 0;
    if (i < end && text[i] == '.' && f.decimals) {
        ++i;
        double unit = 0.1;
        for (; i < end && std::isdigit(static_cast<unsigned char>(text[i]));
             ++i, ++digits, unit /= 10)
            fraction += (text[i] - '0') * unit;
    }
    if (i != end || digits == 0) return false;
    int64_t v = f.decimals && scale > 0 ? whole * scale + std::llround(fraction * scale) : whole;
    if (v > 2000000000) return false;
    value = int(negative ? -v : v);
    return true;
}
