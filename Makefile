# Set-up, build and run on a fresh Debian 12 machine.
#   make run   installs what is missing, builds, runs the main job
#   make test  installs what is missing, builds with the sanitizers, runs every test

# The Debian packages the build and the tests need.
PACKAGES := cmake ninja-build g++ pkg-config googletest libgtest-dev libgmock-dev \
            libbenchmark-dev zlib1g-dev libpng-dev libjpeg-dev \
            libmeshoptimizer-dev libopenmesh-dev clang libclang-rt-14-dev assimp-utils \
            libegl-dev libgl-dev libgl1-mesa-dri libfreetype-dev fonts-dejavu-core \
            qt6-base-dev xvfb xauth

# What only the benchmarks need: the peer tools that bench/compare.sh runs
# beside ours (../shared/yardsticks/get-large.sh builds them from these).
BENCH_PACKAGES := libassimp-dev assimp-utils libcgal-dev libeigen3-dev time

JOBS ?= $(shell nproc)
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
RELEASE_DIR := build/release
TEST_DIR := build/asan

.PHONY: deps bench-deps build run test bench fuzz-build fuzz clean

deps:
	@$(MAKE) --no-print-directory install-missing LIST="$(PACKAGES)"

bench-deps:
	@$(MAKE) --no-print-directory install-missing LIST="$(PACKAGES) $(BENCH_PACKAGES)"

.PHONY: install-missing
install-missing:
	@missing=$$(for p in $(LIST); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing: $$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOREVER_TESTS=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)

SAMPLE_SCENE := $(RELEASE_DIR)/samples/scene.x
SAMPLE_OUTPUT := $(RELEASE_DIR)/samples/scene_saved.x
SAMPLE_SCREENSHOT := $(RELEASE_DIR)/samples/scene_window.png

# With a display: the main window opens with the sample scene. Without one:
# the window runs under Xvfb, its picture is saved beside the sample, and the
# batch job halves the sample scene.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  $(RELEASE_DIR)/bin/vorever $(SAMPLE_SCENE); \
	else \
	  DBUS_SESSION_BUS_ADDRESS=disabled: xvfb-run -a -s "-screen 0 1280x900x24" \
	    $(RELEASE_DIR)/bin/vorever $(SAMPLE_SCENE) --screenshot $(abspath $(SAMPLE_SCREENSHOT)) && \
	  echo "The main window with the sample scene was drawn under Xvfb and saved as $(SAMPLE_SCREENSHOT)." && \
	  $(RELEASE_DIR)/bin/vorever --batch $(SAMPLE_SCENE) --reduce 50 --export $(SAMPLE_OUTPUT) && \
	  echo "The sample scene was loaded from $(SAMPLE_SCENE), halved and saved as $(SAMPLE_OUTPUT)."; \
	fi

# intercept_tls_get_addr=0: the leak checker of GCC 12 follows the dynamic
# TLS blocks of the libraries that Mesa loads and, at exit, can meet one that
# is already gone and crash ("Tracer caught signal 11") after every test has
# passed. Without the interception it does not read those blocks; leaks are
# still found everywhere else.
test: deps
	cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOREVER_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

# Then bench/compare.sh measures loading and reduction beside the peers.
bench: bench-deps
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOREVER_TESTS=OFF -DVOREVER_BENCH=ON
	cmake --build build/bench -j $(JOBS)

# The libFuzzer harnesses (tests/fuzz), built with clang. `make fuzz` runs the
# batch harness on every core over the real files and our fixtures until RUNS
# inputs have been tried; what it finds goes to build/fuzz/findings.
FUZZ_DIR := build/fuzz
RUNS ?= 1000000
fuzz-build: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DVOREVER_TESTS=OFF -DVOREVER_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_xfile fuzz_batch fuzz_3ds fuzz_image

fuzz: fuzz-build
	mkdir -p $(FUZZ_DIR)/corpus $(FUZZ_DIR)/findings
	cd $(FUZZ_DIR) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  bin/fuzz_batch -runs=$(RUNS) -fork=$(JOBS) -ignore_crashes=1 -max_len=65536 -rss_limit_mb=4096 \
	  -artifact_prefix=findings/ corpus $(abspath ../shared/testdata/x) $(abspath tests/data)

clean:
	rm -rf build
