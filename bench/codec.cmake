# Codexa: JPEG decode through the library beside a bare libjpeg-turbo decode, and thumbnails.
tarnis_add_benchmark(bench_codec SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_codec.cpp
  LIBS codexa_core JPEG::JPEG)
