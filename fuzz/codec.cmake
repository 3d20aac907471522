# One fuzz target per Codexa decoder (a format whose source is not there yet is skipped) and one
# for the format test. Seeds: the matching test-data folders.
set(CODEC_FUZZ_DATA ${CMAKE_SOURCE_DIR}/tests/data)
set(CODEC_FUZZ_FORMATS
  "jpeg|jpeg"
  "png|pngsuite"
  "tiff|tiff"
  "gif|gif"
  "bmp|bmpsuite:bmp-extra"
  "tga|tga"
  "pcx|pcx"
  "img|gem-img"
  "mac|macpaint")
foreach(entry IN LISTS CODEC_FUZZ_FORMATS)
  string(REPLACE "|" ";" parts "${entry}")
  string(REPLACE ":" ";" parts "${parts}")
  list(GET parts 0 fmt)
  list(SUBLIST parts 1 -1 folders)
  if(NOT EXISTS ${CMAKE_SOURCE_DIR}/codec/fmt_${fmt}.cpp)
    continue()
  endif()
  set(seeds "")
  foreach(folder IN LISTS folders)
    list(APPEND seeds ${CODEC_FUZZ_DATA}/${folder})
  endforeach()
  tarnis_add_fuzzer(fuzz_codec_${fmt} SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_decode.cpp
    LIBS codexa_core SEEDS ${seeds})
  target_compile_definitions(fuzz_codec_${fmt} PRIVATE CODEXA_FUZZ_FORMAT="${fmt}")
endforeach()

tarnis_add_fuzzer(fuzz_codec_detect SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_decode.cpp
  LIBS codexa_core SEEDS ${CODEC_FUZZ_DATA})
target_compile_definitions(fuzz_codec_detect PRIVATE CODEXA_FUZZ_FORMAT="detect")

# The folder listing and the format test that every file of a shown folder goes through.
tarnis_add_fuzzer(fuzz_folder SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_folder.cpp
  LIBS codexa_core SEEDS ${CODEC_FUZZ_DATA}/jpeg ${CODEC_FUZZ_DATA}/gif)
