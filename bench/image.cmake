# Edits of the image core on a 12-megapixel 24-bit picture; bench/peer_image.py times Pillow and
# OpenCV on the same picture and prints the ratios.
tarnis_add_benchmark(bench_image SOURCES bench_image.cpp LIBS tarnis_image)
