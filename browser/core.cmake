# The browser's logic without widgets: cache file, items, layout, selection, drop helpers and the
# thumbnail workers. Included by browser/CMakeLists.txt, and by fuzz/browser.cmake when the GUI
# is not built, so the cache reader is fuzzed and sanitised in every configuration.
set(TARNIS_BROWSER_DIR ${CMAKE_SOURCE_DIR}/browser)
tarnis_library(tarnis_browser_core SOURCES
  ${TARNIS_BROWSER_DIR}/archive.cpp
  ${TARNIS_BROWSER_DIR}/cachelocation.cpp
  ${TARNIS_BROWSER_DIR}/dropfiles.cpp
  ${TARNIS_BROWSER_DIR}/gridkeys.cpp
  ${TARNIS_BROWSER_DIR}/gridlayout.cpp
  ${TARNIS_BROWSER_DIR}/itemcanvas.cpp
  ${TARNIS_BROWSER_DIR}/resourceobj.cpp
  ${TARNIS_BROWSER_DIR}/errormessages.cpp
  ${TARNIS_BROWSER_DIR}/folderlisting.cpp
  ${TARNIS_BROWSER_DIR}/folderpass.cpp
  ${TARNIS_BROWSER_DIR}/thumbbuilder.cpp
  ${TARNIS_BROWSER_DIR}/thumbcachefile.cpp
  ${TARNIS_BROWSER_DIR}/thumbcodec.cpp
  ${TARNIS_BROWSER_DIR}/thumblist.cpp
  ${TARNIS_BROWSER_DIR}/thumbmouse.cpp
  ${TARNIS_BROWSER_DIR}/thumbobj.cpp
  PUBLIC tarnis_platform Threads::Threads)
