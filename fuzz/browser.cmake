# The thumbnail cache reader (every input must be rejected cleanly or read back byte-exact).
if(NOT TARGET tarnis_browser_core)
  include(${CMAKE_SOURCE_DIR}/browser/core.cmake)
endif()
tarnis_add_fuzzer(fuzz_thumbcache
  SOURCE ${CMAKE_CURRENT_LIST_DIR}/fuzz_thumbcache.cpp
  LIBS tarnis_browser_core
  SEEDS ${CMAKE_CURRENT_LIST_DIR}/seeds/thumbcache)
