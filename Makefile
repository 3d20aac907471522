# Set-up, build, run and test on Debian 12. Every target installs what is missing first.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= $(ASAN_BUILD)
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_ARGS ?=
PREFIX     ?= /usr/local
DEB_BUILD  ?= build-deb
SETTINGS   := $(HOME)/.config/TarnisTech/pexora.conf

export CCACHE_DIR ?= $(HOME)/.cache/ccache
# Paths relative to the checkout, so another clone of the same sources reuses the cache.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

.PHONY: all deps build build-asan run test test-normal test-asan bench fuzz format clean install uninstall deb

all: build

deps:
	@tools/install-deps.sh base

# Configured again when this file changes, so new options reach existing build folders.
$(BUILD)/build.ninja: Makefile
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

# The sanitizer build uses clang so the same build also carries the libFuzzer targets. It holds
# the whole program, window tests included.
$(ASAN_BUILD)/build.ninja: Makefile
	CC=clang CXX=clang++ cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DTARNIS_GUI=ON -DTARNIS_BENCH=OFF -DTARNIS_SANITIZE=ON -DTARNIS_FUZZ=ON $(CMAKE_ARGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Opens the last folder when one was saved, else the bundled samples.
run: build
	@if [ -f "$(SETTINGS)" ] && grep -q '^lastpath=' "$(SETTINGS)"; then \
	  $(BUILD)/bin/tarnis-viewer; else $(BUILD)/bin/tarnis-viewer "$(CURDIR)/samples"; fi

test: test-normal test-asan

test-normal: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 900

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 900

bench: deps build
	@tools/install-deps.sh bench
	bench/run_all.sh $(BUILD)

fuzz: build-asan
	@for f in $$(cat $(FUZZ_BUILD)/fuzzers.txt 2>/dev/null); do \
	  echo "== $$f ($(FUZZ_SECONDS) s)"; \
	  mkdir -p fuzz-corpus/$$f; \
	  $(FUZZ_BUILD)/bin/$$f -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 -timeout=10 \
	    fuzz-corpus/$$f $$(cat $(FUZZ_BUILD)/fuzz-seeds/$$f.txt) || exit 1; \
	done

# Installs below PREFIX (DESTDIR is honoured); the list of installed files stays in the build
# folder for `make uninstall`. The desktop's caches are refreshed when their tools are there.
REFRESH_DESKTOP_CACHES = if [ -z "$(DESTDIR)" ]; then \
	  command -v update-mime-database >/dev/null && update-mime-database $(PREFIX)/share/mime 2>/dev/null || true; \
	  command -v update-desktop-database >/dev/null && update-desktop-database -q $(PREFIX)/share/applications || true; \
	  command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t $(PREFIX)/share/icons/hicolor || true; \
	fi

install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)
	cp $(BUILD)/install_manifest.txt $(BUILD)/installed-files.txt
	@$(REFRESH_DESKTOP_CACHES)

uninstall:
	DESTDIR=$(DESTDIR) cmake -DMANIFEST=$(CURDIR)/$(BUILD)/installed-files.txt -P cmake/Uninstall.cmake
	@$(REFRESH_DESKTOP_CACHES)

# The Debian package, built for /usr in its own folder (only the installed targets are built).
deb: deps
	cmake -S . -B $(DEB_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
	  -DTARNIS_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON $(CMAKE_ARGS)
	cmake --build $(DEB_BUILD) -j $(JOBS) --target tarnis-viewer tarnis-convert codexa tarnisdib tarnis_data
	cd $(DEB_BUILD) && cpack -G DEB
	@ls $(DEB_BUILD)/*.deb

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(DEB_BUILD)
