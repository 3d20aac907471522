# Runs dib/example.py against the built library, then reads its PNG back with tarnis-convert.
# cmake -DPYTHON=... -DEXAMPLE=... -DLIBRARY=... -DCONVERT=... -DOUT=... -P example_check.cmake
file(REMOVE ${OUT})
execute_process(COMMAND ${PYTHON} ${EXAMPLE} --library ${LIBRARY} --convert ${CONVERT} ${OUT}
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "example.py failed: ${rc}")
endif()
execute_process(COMMAND ${CONVERT} --info ${OUT} OUTPUT_VARIABLE info RESULT_VARIABLE rc
  OUTPUT_STRIP_TRAILING_WHITESPACE)
# 320 x 200 scaled to 400 x 250, twisted by 2 × 8 % of the height: 400 x 290, 24 bits, one page.
if(NOT rc EQUAL 0 OR NOT info STREQUAL "400 290 24 1")
  message(FATAL_ERROR "unexpected picture: '${info}' (${rc})")
endif()
