# Every #include of a folder of ours names its own folder or one of a lower layer; a folder of the
# same or a higher layer fails the check, and so does an include cycle, since a cycle needs an
# upward edge. Run as: cmake -DSOURCE_DIR=<checkout> -P check_layers.cmake
#
# Layers, bottom up (a folder may include only folders of lower layers):
#   0 platform
#   1 codec dib
#   2 image res
#   3 framework appcore paneapi
#   4 dialogs imagepane browser
#   5 batch
#   6 frame tools
#   7 app
set(rank 0)
foreach(entry "platform" "codec|dib" "image|res" "framework|appcore|paneapi" "dialogs|imagepane|browser"
        "batch" "frame|tools" "app")
  string(REPLACE "|" ";" members "${entry}")
  foreach(folder IN LISTS members)
    set(RANK_${folder} ${rank})
    list(APPEND folders ${folder})
  endforeach()
  math(EXPR rank "${rank} + 1")
endforeach()

set(failures 0)
set(checked 0)
foreach(folder IN LISTS folders)
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.c
    ${SOURCE_DIR}/${folder}/*.in)
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[a-z]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([a-z]+)/.*" "\\1" target "${line}")
      math(EXPR checked "${checked} + 1")
      if(target STREQUAL folder OR NOT DEFINED RANK_${target})
        continue()
      endif()
      if(NOT RANK_${target} LESS RANK_${folder})
        file(RELATIVE_PATH rel ${SOURCE_DIR} ${source})
        message("upward include: ${rel} includes ${target}/ (layer ${RANK_${target}} is not below ${folder}'s ${RANK_${folder}})")
        math(EXPR failures "${failures} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} include(s) against the layer order")
endif()
message("layers: ${checked} includes checked, none upward")
