# The bitmap library's kernels on 12-megapixel pictures, one program per family
# (bench_dib*.cpp; peer comparisons: peer_dib*.py).
file(GLOB BENCH_DIB_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/bench_dib*.cpp)
foreach(src IN LISTS BENCH_DIB_SOURCES)
  get_filename_component(name ${src} NAME_WE)
  tarnis_add_benchmark(${name} SOURCES ${src} LIBS tarnisdib_core)
endforeach()
