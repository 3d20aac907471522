# The image pane on a 24-megapixel JPEG: open to the first fitted paint, and repaints while
# scrolling at 100 % and 25 %; bench/peer_imagepane.sh times djpeg on the same file.
if(TARNIS_GUI)
  tarnis_add_benchmark(bench_imagepane SOURCES bench_imagepane.cpp LIBS tarnis_imagepane)
endif()
