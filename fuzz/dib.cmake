# The bitmap library, one target per family (fuzz_dib_<family>.cpp), all on the same seeds.
file(GLOB DIB_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/fuzz_dib_*.cpp)
foreach(src IN LISTS DIB_FUZZ_SOURCES)
  get_filename_component(name ${src} NAME_WE)
  tarnis_add_fuzzer(${name} SOURCE ${src} LIBS tarnisdib_core SEEDS ${CMAKE_CURRENT_LIST_DIR}/seeds/dib)
endforeach()
