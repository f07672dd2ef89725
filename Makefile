# Two commands on a fresh Debian 12 or Ubuntu machine:
#   make run    build and start Brimlow
#   make test   build and run every test, headless
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench soak check-sanitize clean

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

# 1,000 refresh cycles against a stand-in Codex server; prints descriptors,
# threads, children and memory, and fails if any of the first three grow.
soak: build
	$(BUILD)/bench/soak $(BUILD)/tests/codex/codex_stand_in 1000 100

# The test suite under AddressSanitizer + UndefinedBehaviorSanitizer, and the
# threaded parts under ThreadSanitizer (build-asan/, build-tsan/).
check-sanitize: deps
	scripts/check-sanitize

clean:
	rm -rf $(BUILD)
