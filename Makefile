# A thin front for CMake: make run, make test, make install.
BUILD ?= build
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build run test test-sanitize fuzz bench install clean windows windows-test

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cmake --build $(BUILD) --target samples
	cd samples && ../$(BUILD)/pictoline

test: build
	cd $(BUILD) && ctest --output-on-failure

SANITIZE_BUILD ?= build-sanitize

$(SANITIZE_BUILD)/CMakeCache.txt:
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPICTOLINE_SANITIZE=ON

# Every test, with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: $(SANITIZE_BUILD)/CMakeCache.txt
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure

# Each fuzz target for FUZZ_SECONDS (clang and libFuzzer).
FUZZ_SECONDS ?= 60
fuzz:
	fuzz/run.sh $(FUZZ_SECONDS)

bench: build
	python3 bench/run.py $(BUILD)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

WINDOWS_BUILD ?= build-windows

$(WINDOWS_BUILD)/CMakeCache.txt:
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_BUILD_TYPE=Release \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

# pictoline.exe, cross-built with mingw-w64.
windows: $(WINDOWS_BUILD)/CMakeCache.txt
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# Wine without its Mono and Gecko installers, which would ask for the network.
WINE_ENV = WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The unit tests of the Windows build under Wine, then pictoline.exe in a
# terminal against the Linux build.
windows-test: windows build
	cd $(WINDOWS_BUILD) && $(WINE_ENV) ctest --output-on-failure
	$(WINE_ENV) tests/e2e/wine.sh $(WINDOWS_BUILD)/pictoline.exe $(BUILD)/pictoline

clean:
	rm -rf $(BUILD) $(WINDOWS_BUILD) $(SANITIZE_BUILD)
