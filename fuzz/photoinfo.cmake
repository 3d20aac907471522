# The EXIF reader of the properties dialog, over every container it looks into.
tarnis_add_fuzzer(fuzz_photoinfo SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_photoinfo.cpp
  LIBS tarnis_photoinfo SEEDS ${CMAKE_SOURCE_DIR}/tests/data/jpeg ${CMAKE_SOURCE_DIR}/tests/data/tiff)
