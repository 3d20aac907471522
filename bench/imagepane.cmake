# The image pane on a 24-megapixel JPEG: open to the first fitted paint, and repaints while
# scrolling at 100 % and 25 %; bench/peer_imagepane.sh times djpeg on the same file.
if(TARNIS_GUI)
  tarnis_add_benchmark(bench_imagepane SOURCES bench_imagepane.cpp LIBS tarnis_imagepane)
endif()

# Stepping through a folder of 24-megapixel JPEGs: pictures decoded ahead, the reduced copy first;
# bench/peer_stepping.sh makes the folder and times djpeg on the same files.
if(TARNIS_GUI)
  tarnis_add_benchmark(bench_stepping SOURCES bench_stepping.cpp LIBS tarnis_imagepane)
endif()
