# Two commands on a fresh Debian 12 or Ubuntu machine:
#   make run    build and start Brimlow
#   make test   build and run every test, headless
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench clean

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

clean:
	rm -rf $(BUILD)
