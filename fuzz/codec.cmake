# One fuzz target per Codexa decoder of this build (the registry's list, CODEXA_FORMAT_NAMES) and
# one for the format test. Seeds: the format's test-data folders below, the regression inputs and
# the target's own folder under fuzz/seeds when it has one.
set(CODEC_FUZZ_DATA ${CMAKE_SOURCE_DIR}/tests/data)
set(CODEC_FUZZ_FOLDERS_jpeg jpeg)
set(CODEC_FUZZ_FOLDERS_png pngsuite)
set(CODEC_FUZZ_FOLDERS_tiff tiff)
set(CODEC_FUZZ_FOLDERS_gif gif)
set(CODEC_FUZZ_FOLDERS_bmp bmpsuite bmp-extra)
set(CODEC_FUZZ_FOLDERS_tga tga)
set(CODEC_FUZZ_FOLDERS_pcx pcx)
set(CODEC_FUZZ_FOLDERS_img gem-img)
set(CODEC_FUZZ_FOLDERS_mac macpaint)
foreach(fmt IN LISTS CODEXA_FORMAT_NAMES)
  # Inputs that once broke a decoder seed every decoder.
  set(seeds ${CMAKE_SOURCE_DIR}/tests/data/regressions)
  foreach(folder IN LISTS CODEC_FUZZ_FOLDERS_${fmt})
    list(APPEND seeds ${CODEC_FUZZ_DATA}/${folder})
  endforeach()
  if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/seeds/fuzz_codec_${fmt})
    list(APPEND seeds ${CMAKE_CURRENT_LIST_DIR}/seeds/fuzz_codec_${fmt})
  endif()
  tarnis_add_fuzzer(fuzz_codec_${fmt} SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_decode.cpp
    LIBS codexa_core SEEDS ${seeds})
  target_compile_definitions(fuzz_codec_${fmt} PRIVATE CODEXA_FUZZ_FORMAT="${fmt}")
endforeach()

tarnis_add_fuzzer(fuzz_codec_detect SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_decode.cpp
  LIBS codexa_core SEEDS ${CODEC_FUZZ_DATA})
target_compile_definitions(fuzz_codec_detect PRIVATE CODEXA_FUZZ_FORMAT="detect")

# The encoders: every decodable input saved in each writable format and read back.
set(roundtrip_seeds ${CODEC_FUZZ_DATA}/pngsuite/good ${CODEC_FUZZ_DATA}/bmpsuite/g ${CODEC_FUZZ_DATA}/pcx/kde
  ${CODEC_FUZZ_DATA}/tga/truevision-conformance ${CODEC_FUZZ_DATA}/gif/pillow/good)
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/seeds/fuzz_codec_roundtrip)
  list(APPEND roundtrip_seeds ${CMAKE_CURRENT_LIST_DIR}/seeds/fuzz_codec_roundtrip)
endif()
tarnis_add_fuzzer(fuzz_codec_roundtrip SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_roundtrip.cpp
  LIBS codexa_core SEEDS ${roundtrip_seeds})

# Resampling with arbitrary headers, sizes and rectangles.
set(resample_seeds ${CMAKE_CURRENT_LIST_DIR}/seeds/dib)
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/seeds/fuzz_codec_resample)
  list(APPEND resample_seeds ${CMAKE_CURRENT_LIST_DIR}/seeds/fuzz_codec_resample)
endif()
tarnis_add_fuzzer(fuzz_codec_resample SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_resample.cpp
  LIBS codexa_core SEEDS ${resample_seeds})

# The folder listing and the format test that every file of a shown folder goes through.
tarnis_add_fuzzer(fuzz_folder SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_folder.cpp
  LIBS codexa_core SEEDS ${CODEC_FUZZ_DATA}/jpeg ${CODEC_FUZZ_DATA}/gif)

# The readers of saves that keep what a file holds (transparency, JPEG segments, lossless turns).
tarnis_add_fuzzer(fuzz_codec_keepsave SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_keepsave.cpp
  LIBS codexa_core SEEDS ${CODEC_FUZZ_DATA}/jpeg ${CODEC_FUZZ_DATA}/pngsuite/good ${CODEC_FUZZ_DATA}/gif/pillow/good)
