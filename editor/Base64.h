// Base64 (the standard alphabet with "=" padding) for the private data blocks that travel
// through the desktop's text clipboard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Encodes `size` bytes; lines are not broken.
std::string EncodeBase64(const uint8_t* data, size_t size);
// Decodes `text`, skipping blanks, tabs and line breaks. False (and `out` unspecified) for
// any other character outside the alphabet, a misplaced "=", or a final group that does not
// fill whole bytes.
bool DecodeBase64(const std::string& text, std::vector<uint8_t>& out);
