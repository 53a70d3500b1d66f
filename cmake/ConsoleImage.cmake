# The console replayer and the program of an exported ROM, assembled with SDCC's Z80
# assembler at build time and embedded in the exporter as a byte array, so exporting a ROM
# needs no Z80 tools at run time.
find_program(TW_SDASZ80 sdasz80 REQUIRED)
find_program(TW_SDLDZ80 sdldz80 REQUIRED)
find_program(TW_MAKEBIN makebin REQUIRED)

set(TW_CONSOLE_DIR ${CMAKE_BINARY_DIR}/console)
set(TW_ROM_SHELL_SOURCE ${TW_CONSOLE_DIR}/RomShellImage.cpp)
file(MAKE_DIRECTORY ${TW_CONSOLE_DIR})
add_custom_command(
  OUTPUT ${TW_ROM_SHELL_SOURCE} ${TW_CONSOLE_DIR}/rom_shell.bin
  COMMAND ${TW_SDASZ80} -plosgff ${TW_CONSOLE_DIR}/tonweave.rel ${CMAKE_SOURCE_DIR}/console/tonweave.s
  COMMAND ${TW_SDASZ80} -plosgff ${TW_CONSOLE_DIR}/shell.rel ${CMAKE_SOURCE_DIR}/console/rom/shell.s
  COMMAND ${TW_SDLDZ80} -n -m -i -b _CODE=0x0100 -b _DATA=0xC000
          ${TW_CONSOLE_DIR}/rom_shell.ihx ${TW_CONSOLE_DIR}/shell.rel ${TW_CONSOLE_DIR}/tonweave.rel
  COMMAND ${TW_MAKEBIN} -p ${TW_CONSOLE_DIR}/rom_shell.ihx ${TW_CONSOLE_DIR}/rom_shell.bin
  COMMAND ${CMAKE_COMMAND} -DIN=${TW_CONSOLE_DIR}/rom_shell.bin -DOUT=${TW_ROM_SHELL_SOURCE}
          -P ${CMAKE_SOURCE_DIR}/cmake/EmbedBinary.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/console/tonweave.s ${CMAKE_SOURCE_DIR}/console/rom/shell.s
          ${CMAKE_SOURCE_DIR}/cmake/EmbedBinary.cmake
  WORKING_DIRECTORY ${TW_CONSOLE_DIR}
  COMMENT "Assembling the console replayer"
  VERBATIM)
