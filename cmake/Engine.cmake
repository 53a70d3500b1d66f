# The engine is split into one static library per directory so that each part builds and
# is tested on its own. Each library exists twice: plain, and with ASan+UBSan for the
# sanitizer test run and the fuzz-corpus replay.

function(tw_engine_flags target suffix)
  target_compile_options(${target} PRIVATE ${TW_WARNINGS})
  target_compile_options(${target} PUBLIC -fnon-call-exceptions)
  if(suffix STREQUAL "_asan")
    target_compile_options(${target} PUBLIC ${TW_SANITIZERS})
    target_link_options(${target} PUBLIC ${TW_SANITIZERS})
  endif()
endfunction()

# tw_engine_part(NAME suffix DIR dir [EXCLUDE files...] [EXTRA files...] [LINK libs...])
function(tw_engine_part name suffix)
  cmake_parse_arguments(P "" "DIR" "EXCLUDE;EXTRA;LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${P_DIR}/*.cpp)
  foreach(ex ${P_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/${ex})
  endforeach()
  list(APPEND sources ${P_EXTRA})
  if(NOT sources)
    # A directory that has no code yet still gives a library, so dependents link.
    set(sources ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${name}${suffix} STATIC ${sources})
  target_include_directories(${name}${suffix} PUBLIC ${CMAKE_SOURCE_DIR})
  tw_engine_flags(${name}${suffix} "${suffix}")
  foreach(lib ${P_LINK})
    if(TARGET ${lib}${suffix})
      target_link_libraries(${name}${suffix} PUBLIC ${lib}${suffix})
    else()
      target_link_libraries(${name}${suffix} PUBLIC ${lib})
    endif()
  endforeach()
endfunction()

function(tw_add_engine suffix)
  # Exceptions, fault translation, safe file writes, tokenizer, preferences.
  tw_engine_part(tw_app "${suffix}" DIR app LINK Threads::Threads ${CMAKE_DL_LIBS})
  # The module loader also reads the note-to-period tables; they are header-only constants.
  tw_engine_part(tw_module "${suffix}" DIR module LINK tw_app)
  tw_engine_part(tw_sound "${suffix}" DIR sound LINK tw_module)
  tw_engine_part(tw_export "${suffix}" DIR export EXTRA ${TW_ROM_SHELL_SOURCE} LINK tw_sound)
  tw_engine_part(tw_import "${suffix}" DIR import LINK tw_sound ZLIB::ZLIB)
  add_library(tonweave_engine${suffix} INTERFACE)
  target_link_libraries(tonweave_engine${suffix} INTERFACE
    tw_import${suffix} tw_export${suffix} tw_sound${suffix} tw_module${suffix}
    tw_app${suffix})
endfunction()
