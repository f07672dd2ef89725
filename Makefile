# Two commands on a fresh Debian 12 or Ubuntu machine:
#   make run    build and start Brimlow
#   make test   build and run every test, headless
# and for the fuzz targets (clang and libFuzzer, built in build-fuzz):
#   make fuzz   run each target for FUZZ_SECONDS; fails on any finding
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all deps configure build run test bench fuzz clean

all: build

$(BUILD)/.deps-stamp: scripts/install-deps
	scripts/install-deps
	@mkdir -p $(BUILD) && touch $@

deps: $(BUILD)/.deps-stamp

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	scripts/run-brimlow $(BUILD)

test: build
	scripts/run-tests $(BUILD)

bench: build
	scripts/run-bench $(BUILD)

fuzz:
	scripts/install-deps fuzz
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) scripts/run-fuzz $(FUZZ_BUILD)

clean:
	rm -rf $(BUILD)
