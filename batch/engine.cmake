# The batch converter's engine, without Qt: shared by the Batch Convert dialog and
# tarnis-convert --batch. Included from tools/ (always built) before batch/ joins with the GUI.
if(NOT TARGET tarnis_batch_engine)
  add_library(tarnis_batch_engine STATIC
    ${CMAKE_SOURCE_DIR}/batch/batchconverter.cpp
    ${CMAKE_SOURCE_DIR}/batch/batchsearch.cpp
    ${CMAKE_SOURCE_DIR}/batch/batchsizing.cpp)
  target_include_directories(tarnis_batch_engine PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(tarnis_batch_engine PUBLIC tarnis_platform codexa tarnisdib Threads::Threads)
  tarnis_warnings(tarnis_batch_engine)
endif()
