# Two commands do everything on a fresh Debian 12 machine: `make run` and `make test`.
BUILD ?= build
BUILD_TYPE ?= Release
JOBS ?= $(shell nproc)
DOCUMENTS ?=
PORT ?= 8080

.PHONY: all deps configure build run test bench clean format

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then \
		cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE); \
	fi

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/src/cli/tidewell serve --port $(PORT) $(if $(DOCUMENTS),--documents "$(DOCUMENTS)")

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	bash bench/run.sh

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
