# Browser timings over the codec library: first visit of a folder of 12-megapixel JPEGs (and the
# longest stretch the UI thread is busy meanwhile), second visit of 1024 pictures from the cache.
# bench/peer_browser.sh prepares the folders and compares the first visit with Pillow.
if(TARGET tarnis_browser)
  tarnis_add_benchmark(bench_browser SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_browser.cpp
    LIBS tarnis_browser tarnis_browser_codexa Qt6::Widgets)
endif()
