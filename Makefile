# Entry points for people and CI. Every target first makes sure the Debian packages are
# there, then configures and builds with CMake into build/.
BUILD   ?= build
JOBS    ?= $(shell nproc)
MAKEFLAGS += --no-print-directory
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all setup configure build run install test bench fuzz clean

all: build

setup:
	@bash tools/setup.sh

configure: setup
	@mkdir -p $(BUILD)
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) > $(BUILD)/configure.log 2>&1 || (cat $(BUILD)/configure.log; exit 1)

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@bash tools/run-main.sh $(BUILD)

# An installed copy: the program in $(PREFIX)/bin, its assets in $(PREFIX)/share/tonweave,
# with a desktop entry, an icon and the file type of modules. It keeps the user's files in
# $$XDG_CONFIG_HOME/tonweave.
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)
	@command -v update-mime-database > /dev/null && update-mime-database $(PREFIX)/share/mime || true
	@command -v update-desktop-database > /dev/null && update-desktop-database $(PREFIX)/share/applications || true

test: build
	@cd $(BUILD) && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ctest --output-on-failure -j$(JOBS) --timeout 600

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b" --benchmark_min_time=0.2; done

# Real coverage-guided fuzzing needs clang's libFuzzer; it gets a build directory of its own
# (not $(BUILD)/fuzz, where the normal build keeps the seed replays and their tests),
# where every library the targets link is built with coverage instrumentation. Each target
# runs FUZZ_SECONDS (all of them, or those named in FUZZ_TARGETS, e.g. "mod vgm"); the
# summary gives edges covered, corpus size and inputs run per target.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
fuzz: setup
	@cmake -S . -B $(BUILD)/libfuzzer -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
		-DCMAKE_CXX_COMPILER=clang++ -DTW_LIBFUZZER=ON > /dev/null
	@cmake --build $(BUILD)/libfuzzer -j$(JOBS) --target fuzzers
	@bash tools/fuzz-run.sh $(BUILD)/libfuzzer $(FUZZ_SECONDS) $(FUZZ_TARGETS)

clean:
	rm -rf $(BUILD)
