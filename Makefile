# Entry points for newcomers and CI: `make run`, `make test`, `make bench`.
SHELL := /bin/bash
JOBS ?= $(shell nproc)

# Debian 12 packages the build, the tests and the benchmarks need (poppler-utils: the printing
# tests render the PDF files they print with pdftoppm; xclip: the clipboard tests play another
# program that copies and pastes images under Xvfb; librsvg2-bin: the build renders the PNG icons
# from the SVG; desktop-file-utils, appstream: the install test validates the launcher and the
# metainfo; dpkg-dev: `make package` finds the package's library dependencies; x11-utils and
# xdotool: scripts/screenshot.sh and scripts/tour.sh find and drive the editor's windows).
PACKAGES := cmake ninja-build g++ pkg-config \
    qt6-base-dev libgl-dev \
    libpng-dev libjpeg62-turbo-dev libgif-dev zlib1g-dev libdeflate-dev libtinyxml2-dev libzip-dev \
    libboost-regex-dev \
    libwebp-dev libtiff-dev \
    libgtest-dev libgmock-dev libbenchmark-dev \
    imagemagick python3-pil clang libclang-rt-14-dev libjpeg-turbo-progs \
    clang-format xvfb xauth poppler-utils xclip \
    librsvg2-bin desktop-file-utils appstream dpkg-dev x11-utils xdotool

# The libraries `make bench-peers` compares with (libvips through its introspection data, since
# Debian 12 has no Python binding of its own), and the Python they run under.
PEER_PACKAGES := python3 python3-numpy python3-pil python3-opencv python3-gi gir1.2-vips-8.0
PEER_PYTHON := /usr/bin/python3

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Compiles through ccache when the machine has it (several checkouts then share one cache).
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: deps deps-peers hooks run configure-release build-test test bench bench-peers fuzz clean \
    format format-check install package

# `make install` puts the release build under $(PREFIX) (run it with the rights to write there);
# DESTDIR is honoured for staged installs.
PREFIX ?= /usr/local

# Installs the Debian packages of $(1) that are missing.
define install-missing
	@missing=$$(for p in $(1); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update -qq && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install-missing,$(PACKAGES))

deps-peers:
	$(call install-missing,$(PEER_PACKAGES))

# In a git checkout whose hooks are not routed elsewhere, commit messages go through
# .githooks/commit-msg (subject of at most 72 characters, blank line before the body). Outside git
# (an unpacked archive) nothing happens.
hooks:
	@if [ "$$(git rev-parse --show-toplevel 2>/dev/null)" = "$(CURDIR)" ] && \
	    [ -z "$$(git config core.hooksPath)" ]; then \
	    git config core.hooksPath .githooks && echo "Commit messages are checked by .githooks/commit-msg"; \
	fi

# The build folders come from CMakePresets.json: release, asan and fuzz under build/.
configure-release: deps hooks
	cmake --preset release $(LAUNCHER)

run: configure-release
	cmake --build build/release -j $(JOBS) --target varnel
	./build/release/src/app/varnel $(ARGS)

install: configure-release
	cmake --build build/release -j $(JOBS)
	cmake --install build/release --prefix $(PREFIX)

# A Debian package of the release build (build/release/varnel_<version>_<arch>.deb).
package: configure-release
	cmake --build build/release -j $(JOBS)
	cd build/release && cpack -G DEB

build-test: deps hooks
	cmake --preset asan $(LAUNCHER)
	cmake --build --preset asan -j $(JOBS)
	@ln -sf build/asan/compile_commands.json compile_commands.json

test: format-check build-test
	ctest --preset asan -j $(JOBS)

bench: configure-release
	cmake --build --preset release -j $(JOBS)
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && echo "== $$b" && "$$b" $(BENCH_ARGS); done

# Varnel against libvips, Pillow and OpenCV on a 6000 x 4000 photo (bench/peers/run.py; pass
# options in PEER_ARGS, e.g. PEER_ARGS="--runs 3 --only invert,blur").
bench-peers: configure-release deps-peers
	@if cmake --build build/release --target help | grep -q '^varnel-cli:'; then \
	    cmake --build build/release -j $(JOBS) --target varnel-cli; \
	else echo "varnel-cli is not part of this tree yet: Varnel's column will read n/a"; fi
	$(PEER_PYTHON) bench/peers/run.py $(PEER_ARGS)

# The C++ sources that .clang-format governs.
FORMATTED = find src tests bench -name '*.cpp' -o -name '*.h'

format: deps
	$(FORMATTED) | xargs clang-format -i

# Fails, naming the files and lines, when a source differs from what `make format` would make it.
format-check: deps
	@$(FORMATTED) | xargs clang-format --dry-run --Werror && echo "format-check: sources match .clang-format"

# The libFuzzer programs (clang) in build/fuzz/tests/fuzz. libFuzzer writes what it finds into the
# first folder it is given, so give it a scratch one and the shared corpus after it, e.g.
#   mkdir -p build/fuzz/png && build/fuzz/tests/fuzz/png_fuzz -max_total_time=60 \
#       build/fuzz/png ../shared/corpus/pngsuite
fuzz: deps
	cmake --preset fuzz $(LAUNCHER)
	cmake --build --preset fuzz -j $(JOBS)

clean:
	rm -rf build compile_commands.json
