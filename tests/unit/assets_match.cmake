# Runs the asset generator into a fresh folder and compares it with data/.
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${GENERATOR} ${SRC} ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make_assets failed (${rc})")
endif()
execute_process(
  COMMAND diff -r -q -x zelto_score.dat* -x zelto_screen.bmp ${DATA} ${OUT}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "data/ differs from the generator's output; run 'cmake --build build --target assets':\n${out}")
endif()
