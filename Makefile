# Front door: `make run` and `make test` set up everything on a fresh Debian 12 machine.
BUILD    ?= build
JOBS     ?= $(shell nproc)
CMAKE_FLAGS ?=
# The project's own builds treat warnings as errors; a plain cmake build does not.
PROJECT_FLAGS := -DCORVANE_WERROR=ON
# The fuzz harnesses build apart, with clang; `make fuzz` runs each for FUZZ_SECONDS.
FUZZ_BUILD   ?= build-fuzz
FUZZ_CXX     ?= clang++-14
FUZZ_SECONDS ?= 600

.PHONY: all deps configure build package test soak run bench asan tsan clean screenshot format check-format fuzz fuzz-build

all: build

deps:
	@scripts/install-deps

# Configured on every build, so a build folder made before keeps the project's flags.
configure: deps
	cmake -S . -B $(BUILD) -G Ninja $(PROJECT_FLAGS) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

# The Debian package, into $(BUILD).
# Two packages of one commit are the same bytes: every time stamp in them is the last commit's.
package: build
	SOURCE_DATE_EPOCH=$${SOURCE_DATE_EPOCH:-$$(git log -1 --format=%ct 2>/dev/null)} cmake --build $(BUILD) --target package

test: build fuzz-build check-format
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 300
	cd $(FUZZ_BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 300

# Every test 20 times in random order with every core kept busy (SOAK_REPEATS to change).
SOAK_REPEATS ?= 20
soak: build
	@scripts/soak $(BUILD) $(SOAK_REPEATS)

fuzz-build: deps
	cmake -S fuzz -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) $(PROJECT_FLAGS)
	cmake --build $(FUZZ_BUILD) -j$(JOBS)

fuzz: fuzz-build
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz $(FUZZ_BUILD)

# The sources stay as .clang-format makes them; make test fails on a difference.
check-format: deps
	@scripts/check-format

format: deps
	@scripts/check-format --fix

run: build
	@scripts/run $(BUILD)

bench: build
	@scripts/bench $(BUILD)

# Every screenshot of docs/, in both languages, taken from the running program on a private Xvfb
# display: docs/screenshot-VIEW-LANGUAGE.png (the profile panel beside the main window wants a wide
# screen).
SCREENSHOT_VIEWS := main colour colour-dialog profile key0 key1 key2 key3 macro
screenshot: build
	@for language in english german; do for view in $(SCREENSHOT_VIEWS); do \
	  size=1280x800; [ $$view = profile ] && size=1920x1080; \
	  SCREENSHOT_SIZE=$$size scripts/screenshot $(BUILD) docs/screenshot-$$view-$$language.png $$language $$view \
	    || exit 1; \
	done; done

# Sanitizer builds of the whole test suite, each in its own build folder. Leaks that system
# libraries keep for the life of the process are not ours.
asan: export LSAN_OPTIONS = suppressions=$(CURDIR)/tests/lsan-system.supp
asan:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DCORVANE_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=Debug"

# Qt itself is not instrumented; the suppressions keep its internals out of the reports.
tsan: export TSAN_OPTIONS = suppressions=$(CURDIR)/tests/tsan-qt.supp
tsan:
	$(MAKE) test BUILD=build-tsan CMAKE_FLAGS="-DCORVANE_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug"

clean:
	rm -rf build build-asan build-tsan build-fuzz
