tw_fuzz_target(macros)
if(TW_LIBFUZZER)
  set(macros_fuzz_exe fuzz_macros)
else()
  set(macros_fuzz_exe fuzz_macros_replay)
endif()
target_sources(${macros_fuzz_exe} PRIVATE
  ${CMAKE_SOURCE_DIR}/editor/Macros.cpp ${CMAKE_SOURCE_DIR}/editor/MacroFile.cpp)
