// The generator of the demo's picture font (see PictureFontMaker.cpp).
#pragma once

#include <string>

// Writes "demo-picture-font.png" and "demo-picture-font.font" into `directory` and gives
// back the description's path ("" when it cannot be written). Throws the library's
// exceptions when the TrueType font cannot be read.
std::string MakePictureFont(const std::string& directory, const char* trueTypeFile, int size);
