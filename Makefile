# Two commands do everything on a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
# Optimised with assertions on (see CMakeLists.txt); benchmarks build Release in their own folder.
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
DOCUMENTS ?=
PORT ?= 8080
# CI builds with warnings as errors.
CMAKE_FLAGS ?= $(if $(CI),-DTIDEWELL_WERROR=ON)

.PHONY: all deps configure build run test sanitize fuzz fuzz-ci bench clean format

all: build

deps:
	@bash scripts/install-deps.sh

# A build folder is configured once; later runs only build.
configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
		cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS); \
	fi

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Builds only the program it runs.
run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target tidewell
	$(BUILD)/src/cli/tidewell serve --port $(PORT) $(if $(DOCUMENTS),--documents "$(DOCUMENTS)")

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The unit and server tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer
# (the browser tests run in the main build only).
sanitize: deps
	@if [ ! -f build-asan/build.ninja ]; then \
		cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIDEWELL_SANITIZE=ON $(CMAKE_FLAGS); \
	fi
	@cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer-suppressions.txt:print_suppressions=0 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS) -LE browser

# The libFuzzer targets of tests/fuzz, built with clang 14 in their own folder, each run for
# FUZZ_SECONDS (60 here, 10 in CI) from the kept seeds.
FUZZ_SECONDS ?= 60
fuzz: deps
	@if [ ! -f build-fuzz/build.ninja ]; then \
		CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIDEWELL_FUZZ=ON; \
	fi
	@cmake --build build-fuzz -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/fuzz.sh

fuzz-ci:
	@$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=10

bench: deps
	@$(MAKE) --no-print-directory build BUILD=build-release BUILD_TYPE=Release
	TIDEWELL_BIN=$(CURDIR)/build-release/src/cli/tidewell bash bench/run.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) build-asan build-release build-fuzz
