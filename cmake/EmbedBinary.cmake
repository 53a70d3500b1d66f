# cmake -DIN=file.bin -DOUT=file.cpp -P EmbedBinary.cmake: the ROM program as a C++ array.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUT} "// Generated from console/rom/shell.s and console/tonweave.s; do not edit.\n"
  "#include \"export/RomShell.h\"\n\n"
  "namespace romshell {\n"
  "const uint8_t kImage[] = {\n    ${bytes}\n};\n"
  "const size_t kImageSize = ${size};\n"
  "}  // namespace romshell\n")
