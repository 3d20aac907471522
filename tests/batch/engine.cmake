# The engine's tests, and tarnis-convert --batch; built with and without the GUI.
tarnis_add_test(test_batch_engine
  SOURCES
    ${CMAKE_SOURCE_DIR}/tests/batch/batch_testutil.cpp
    ${CMAKE_SOURCE_DIR}/tests/batch/test_engine.cpp
    ${CMAKE_SOURCE_DIR}/tests/batch/test_convert_cli.cpp
  LIBS tarnis_batch_engine)
add_dependencies(test_batch_engine tarnis-convert)
