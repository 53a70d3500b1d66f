# The shipped pattern font must be what the generator draws now: regenerating it is an
# explicit step (`--target modfont`), and this check says when it was forgotten.
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${GEN} ${OUT} RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "modfont-generator failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/modfont.png ${SRC}/modfont.png
                RESULT_VARIABLE diff)
if(NOT diff EQUAL 0)
  message(FATAL_ERROR "assets/modfont.png is not what tools/modfont-generator draws; run the modfont target")
endif()
