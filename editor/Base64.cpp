// Base64 encoder and strict decoder.
#include "editor/Base64.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int ValueOf(char ch) {
    if (ch >= 'A' && ch <= 'Z') return ch - 'A';
    if (ch >= 'a' && ch <= 'z') return ch - 'a' + 26;
    if (ch >= '0' && ch <= '9') return ch - '0' + 52;
    if (ch == '+') return 62;
    if (ch == '/') return 63;
    return -1;
}

bool IsSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

}  // namespace

std::string EncodeBase64(const uint8_t* data, size_t size) {
    std::string text;
    text.reserve((size + 2) / 3 * 4);
    for (size_t i = 0; i < size; i += 3) {
        const size_t n = size - i < 3 ? size - i : 3;
        uint32_t group = static_cast<uint32_t>(data[i]) << 16;
        if (n > 1) group |= static_cast<uint32_t>(data[i + 1]) << 8;
        if (n > 2) group |= data[i + 2];
        text += kAlphabet[group >> 18 & 63];
        text += kAlphabet[group >> 12 & 63];
        text += n > 1 ? kAlphabet[group >> 6 & 63] : '=';
        text += n > 2 ? kAlphabet[group & 63] : '=';
    }
    return text;
}

bool DecodeBase64(const std::string& text, std::vector<uint8_t>& out) {
    out.clear();
    uint32_t group = 0;
    int digits = 0;   // digits in the current group of four
    int padding = 0;  // "=" seen; only more "=" and blanks may follow
    for (char ch : text) {
        if (IsSpace(ch)) continue;
        if (ch == '=') {
            // Padding only completes a group of two or three digits.
            if (digits + padding < 2) return false;
            ++padding;
            if (digits + padding > 4) return false;
            continue;
        }
        const int value = ValueOf(ch);
        if (value < 0 || padding > 0) return false;
        group = group << 6 | static_cast<uint32_t>(value);
        if (++digits == 4) {
            out.push_back(static_cast<uint8_t>(group >> 16));
            out.push_back(static_cast<uint8_t>(group >> 8));
            out.push_back(static_cast<uint8_t>(group));
            group = 0;
            digits = 0;
        }
    }
    if (padding > 0 && digits + padding != 4) return false;
    if (digits == 1) return false;
    // A last group of two or three digits holds one or two bytes; its unused low bits
    // must be zero, or the text was not made by an encoder.
    if (digits == 2) {
        if (group & 0xF) return false;
        out.push_back(static_cast<uint8_t>(group >> 4));
    } else if (digits == 3) {
        if (group & 0x3) return false;
        out.push_back(static_cast<uint8_t>(group >> 10));
        out.push_back(static_cast<uint8_t>(group >> 2));
    }
    return true;
}
