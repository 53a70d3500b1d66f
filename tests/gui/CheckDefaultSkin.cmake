# The shipped default skin must be what the generator draws now: regenerating it is an
# explicit step (`--target default-skin`), and this check says when it was forgotten.
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${GEN} ${OUT} RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "skin-generator failed")
endif()
foreach(f default.png default.skin)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${f} ${SRC}/${f} RESULT_VARIABLE diff)
  if(NOT diff EQUAL 0)
    message(FATAL_ERROR "assets/skins/${f} is not what tools/skin-generator draws; run the default-skin target")
  endif()
endforeach()
