# Two commands on a fresh Debian 12 or Ubuntu machine:
#   make run    build and start Brimlow
#   make test   build and run every test, headless
# And, separately:
#   make deb       a Release build packaged as build-deb/brimlow_<version>_amd64.deb
#   make deb-test  that package installed and run in a fresh Debian 12 root
#                  (needs root and the network)
#   make desktops  the tray application in nested GNOME and KDE Plasma sessions
#   make fuzz      each fuzz target for FUZZ_SECONDS (clang and libFuzzer,
#                  built in build-fuzz); fails on any finding
#   make format    every C++ file as clang-format makes it (CI checks this)
# The build directories are the presets' (CMakePresets.json): dev in build,
# deb in build-deb, fuzz in build-fuzz, asan and tsan in build-asan and
# build-tsan. CMAKE_FLAGS adds to a preset's cache variables.
BUILD := build
DEB_BUILD := build-deb
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
FUZZ_SECONDS ?= 60

.PHONY: all deps configure build run test bench soak check-sanitize check-format format fuzz clean \
  deb deb-test desktops

all: build

$(BUILD)/.deps-stamp: scripts/install-deps
	scripts/install-deps
	@mkdir -p $(BUILD) && touch $@

deps: $(BUILD)/.deps-stamp

# Warnings are errors in the dev preset; a plain configure leaves them warnings.
configure: deps
	cmake --preset dev $(CMAKE_FLAGS)

build: configure
	cmake --build --preset dev -j $(JOBS)

run: build
	scripts/run-brimlow $(BUILD)

test: build
	scripts/run-tests dev

bench: build
	scripts/run-bench $(BUILD)

# 1,000 refresh cycles against a stand-in Codex server; prints descriptors,
# threads, children and memory, and fails if any of the first three grow.
soak: build
	$(BUILD)/bench/soak tests/codex/codex_stand_in.sh 1000 100

# The test suite under AddressSanitizer + UndefinedBehaviorSanitizer, and the
# threaded parts under ThreadSanitizer (build-asan/, build-tsan/).
check-sanitize: deps
	scripts/check-sanitize

# Whether every C++ file is as clang-format makes it (CI checks this first),
# and the rewrite that makes it so.
check-format: deps
	scripts/check-format

format:
	scripts/check-format --fix

$(DEB_BUILD)/.deps-stamp: scripts/install-deps
	scripts/install-deps deb
	@mkdir -p $(DEB_BUILD) && touch $@

deb: $(DEB_BUILD)/.deps-stamp
	cmake --preset deb $(CMAKE_FLAGS)
	cmake --build --preset deb -j $(JOBS)
	cpack --preset deb

deb-test: deb
	scripts/install-deps deb-test
	scripts/test-deb $(DEB_BUILD)

# Nested GNOME Shell and KDE Plasma sessions, a minute each; screenshots in
# $(BUILD)/desktops.
desktops: build
	scripts/install-deps desktops
	scripts/test-desktops $(BUILD)

fuzz:
	scripts/install-deps fuzz
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) scripts/run-fuzz

clean:
	rm -rf $(BUILD)
