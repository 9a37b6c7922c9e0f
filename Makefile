# Entry points for newcomers and CI: `make run`, `make test`, `make bench`.
SHELL := /bin/bash
JOBS ?= $(shell nproc)

# Debian 12 packages the build, the tests and the benchmarks need.
PACKAGES := cmake ninja-build g++ pkg-config \
    qt6-base-dev libgl-dev \
    libpng-dev libjpeg62-turbo-dev libgif-dev zlib1g-dev libtinyxml2-dev libboost-regex-dev \
    libgtest-dev libgmock-dev libbenchmark-dev \
    imagemagick python3-pil clang libclang-rt-14-dev libjpeg-turbo-progs \
    xvfb xauth

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps run configure-release build-test test bench clean format

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    $(SUDO) apt-get update -qq && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure-release: deps
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
	    -DVARNEL_BUILD_TESTS=OFF -DVARNEL_BUILD_BENCH=ON

run: configure-release
	cmake --build build/release -j $(JOBS) --target varnel
	./build/release/src/app/varnel $(ARGS)

build-test: deps
	cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNEL_SANITIZE=ON -DVARNEL_WERROR=ON
	cmake --build build/asan -j $(JOBS)
	@ln -sf build/asan/compile_commands.json compile_commands.json

test: build-test
	cd build/asan && QT_QPA_PLATFORM=offscreen \
	    ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1 \
	    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	    ctest --output-on-failure -j $(JOBS) --timeout 900

bench: configure-release
	cmake --build build/release -j $(JOBS)
	@for b in build/release/bench/bench_*; do [ -x "$$b" ] && echo "== $$b" && "$$b" $(BENCH_ARGS); done

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build compile_commands.json
