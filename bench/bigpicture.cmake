# The image pane on a 100-megapixel picture: repaints after zoom steps and while scrolling zoomed
# out, through the reduced copies and directly; bench/peer_bigpicture.sh prints them against the
# 10 ms goal.
if(TARNIS_GUI)
  tarnis_add_benchmark(bench_bigpicture SOURCES bench_bigpicture.cpp LIBS tarnis_imagepane)
endif()
