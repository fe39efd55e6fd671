# The two commands README.md opens with, and the few others around them.
#   make demo  - set up, build, generate the demo Messages history and export its largest conversation
#   make test  - set up, build and run the whole test suite
# With a display, make demo opens the window on the demo history instead of exporting.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
DEMO_HOME = $(BUILD)/demo-home

.PHONY: all setup configure build demo test test-sanitize bench fuzz screenshots package lint format-check clean

all: build

setup:
	bash scripts/setup.sh

configure: setup
	cmake -S . -B $(BUILD) -G Ninja -DTOVIK_WERROR=ON $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	bash scripts/demo.sh $(BUILD)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize:
	$(MAKE) test BUILD=build-sanitize CMAKE_FLAGS="-DTOVIK_SANITIZE=ON -DTOVIK_BUILD_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug"

bench: build
	bash scripts/bench.sh $(BUILD)

# libFuzzer targets (clang, ASan, UBSan), each run for FUZZ_SECONDS on a copy of its seeds.
FUZZ_SECONDS ?= 60
fuzz:
	bash scripts/fuzz.sh $(FUZZ_SECONDS)

# Every screen rendered offscreen to PNG files under $(BUILD)/screenshots, in English and German.
screenshots: build
	bash scripts/screenshots.sh $(BUILD)

# A Debian package of the two programs with their desktop entry, icons and man pages, in $(BUILD)/.
package: build
	cmake --build $(BUILD) --target package

# Static checks: clang-tidy-14 over the compile database of $(BUILD) (.clang-tidy), then the
# format check. Output differs between versions, so both are named exactly.
LINT_SOURCES = $(shell git ls-files 'src/*.cpp' 'tests/*.cpp' 'tools/*.cpp' 'bench/*.cpp' | grep -v '^tests/fuzz/')
FORMAT_SOURCES = $(shell git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'tools/*.h' 'bench/*.cpp' 'bench/*.h')
lint: build
	clang-tidy-14 -p $(BUILD) --quiet $(LINT_SOURCES)
	$(MAKE) format-check

# Fails, listing what it would change, when a file differs from .clang-format's style.
format-check:
	clang-format-14 --dry-run --Werror $(FORMAT_SOURCES)

clean:
	rm -rf $(BUILD) build-sanitize build-fuzz
