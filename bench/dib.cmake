# The bitmap library's scaler on a 12-megapixel 24-bit picture (peer comparison: peer_dib.py).
tarnis_add_benchmark(bench_dib SOURCES bench_dib.cpp LIBS tarnisdib_core)
