# A thin front for CMake: make run, make test, make install, make dist.
BUILD ?= build
SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
WINDOWS_BUILD ?= build-windows
ARM_BUILD ?= build-aarch64
PREFIX ?= /usr/local
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Options for every CMake configure, for example -DPICTOLINE_WERROR=ON.
CMAKE_OPTIONS ?=
PREREQUISITES = tools/prerequisites.sh

.PHONY: all build run test test-sanitize fuzz bench install uninstall dist clean \
	windows windows-test arm-test format format-check

all: build

# $(call configure,TREE,OPTIONS) configures a build tree. The stamp is written
# only once CMake has generated the tree: after a configure that failed, the
# next make configures again instead of building a tree that is not there.
define configure
	@rm -f $(1)/.configured
	cmake -S . -B $(1) $(CMAKE_OPTIONS) $(2)
	@touch $(1)/.configured
endef

# $(call configure_once,TREE,OPTIONS) configures a tree that is not configured
# yet, and leaves one that is as it is.
define configure_once
	@[ -e $(1)/.configured ] || { echo cmake -S . -B $(1) $(CMAKE_OPTIONS) $(2); \
	    cmake -S . -B $(1) $(CMAKE_OPTIONS) $(2) && touch $(1)/.configured; }
endef

# A tree configured for the first time builds no tests, so the program needs
# no test tools; the test targets turn them on.
MAIN_TREE = $(call configure_once,$(BUILD),-DBUILD_TESTING=OFF)
WINDOWS_OPTIONS = -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
ARM_OPTIONS = -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake

build:
	@$(PREREQUISITES) build
	$(MAIN_TREE)
	cmake --build $(BUILD) -j $(JOBS)

# Only the program and the sample pictures.
run:
	@$(PREREQUISITES) build
	$(MAIN_TREE)
	cmake --build $(BUILD) -j $(JOBS) --target pictoline samples
	cd samples && ../$(BUILD)/pictoline

test:
	@$(PREREQUISITES) test
	$(call configure,$(BUILD),-DBUILD_TESTING=ON)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure

# Every test, with AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize:
	@$(PREREQUISITES) test
	$(call configure,$(SANITIZE_BUILD),-DCMAKE_BUILD_TYPE=Debug -DPICTOLINE_SANITIZE=ON -DBUILD_TESTING=ON)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && ctest --output-on-failure

# Each fuzz target for FUZZ_SECONDS (clang and libFuzzer).
FUZZ_SECONDS ?= 60
fuzz:
	@$(PREREQUISITES) fuzz
	$(call configure,$(FUZZ_BUILD),-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DPICTOLINE_FUZZ=ON -DBUILD_TESTING=OFF)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Configuring again finds a Google Benchmark installed since the last time; a
# tree that is not configured yet gets no tests.
bench:
	@$(PREREQUISITES) bench
	$(call configure,$(BUILD),$(if $(wildcard $(BUILD)/.configured),,-DBUILD_TESTING=OFF))
	cmake --build $(BUILD) -j $(JOBS) --target pictoline pictoline_bench
	python3 bench/run.py $(BUILD)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Removes what the last install from $(BUILD) wrote (its install_manifest.txt).
uninstall:
	cmake -DMANIFEST=$(BUILD)/install_manifest.txt -P cmake/uninstall.cmake

# pictoline.exe, cross-built with mingw-w64.
windows:
	@$(PREREQUISITES) windows
	$(call configure_once,$(WINDOWS_BUILD),-DBUILD_TESTING=OFF $(WINDOWS_OPTIONS))
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# Wine without its Mono and Gecko installers, which would ask for the network.
WINE_ENV = WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The unit tests of the Windows build under Wine, then pictoline.exe in a
# terminal against the Linux build.
# Now and then Wine fails to start a test program at all (no output, a
# failure within milliseconds), so a failed test runs once more; a test that
# really fails, fails twice.
windows-test:
	@$(PREREQUISITES) windows-test
	$(MAIN_TREE)
	$(call configure,$(WINDOWS_BUILD),-DBUILD_TESTING=ON $(WINDOWS_OPTIONS))
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	cmake --build $(BUILD) -j $(JOBS) --target pictoline
	cd $(WINDOWS_BUILD) && $(WINE_ENV) $(CURDIR)/tools/with_wine_session.sh \
	    ctest --output-on-failure --repeat until-pass:2
	$(WINE_ENV) tests/e2e/wine.sh $(WINDOWS_BUILD)/pictoline.exe $(BUILD)/pictoline

# The unit tests of the aarch64 build (static, for a 64-bit Raspberry Pi OS)
# under qemu, then its program converts a picture through a pipe and the data
# file is compared with the x86-64 build's.
arm-test:
	@$(PREREQUISITES) arm-test
	$(MAIN_TREE)
	$(call configure,$(ARM_BUILD),-DBUILD_TESTING=ON $(ARM_OPTIONS))
	cmake --build $(ARM_BUILD) -j $(JOBS)
	cmake --build $(BUILD) -j $(JOBS) --target pictoline
	cd $(ARM_BUILD) && ctest --output-on-failure
	tests/e2e/arm.sh $(ARM_BUILD)/pictoline $(BUILD)/pictoline

# The release files in dist/: the sources; the Linux program for x86-64 and
# aarch64, linked statically so that it runs whatever the system's C and C++
# libraries, each as an archive and a Debian package; the Windows program;
# SHA256SUMS. Each platform's tree is named after it.
DIST_BUILD ?= build-dist
DIST_OPTIONS = -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
dist:
	@$(PREREQUISITES) dist
	$(call configure,$(DIST_BUILD)/linux-x86_64,$(DIST_OPTIONS) -DCMAKE_EXE_LINKER_FLAGS=-static)
	$(call configure,$(DIST_BUILD)/linux-aarch64,$(DIST_OPTIONS) $(ARM_OPTIONS))
	$(call configure,$(DIST_BUILD)/windows-x86_64,$(DIST_OPTIONS) $(WINDOWS_OPTIONS))
	cmake --build $(DIST_BUILD)/linux-x86_64 -j $(JOBS) --target pictoline
	cmake --build $(DIST_BUILD)/linux-aarch64 -j $(JOBS) --target pictoline
	cmake --build $(DIST_BUILD)/windows-x86_64 -j $(JOBS) --target pictoline
	release/dist.sh $(DIST_BUILD) dist

# The C++ sources as .clang-format lays them out: format rewrites them,
# format-check fails on any difference.
FORMATTED = git ls-files -z '*.cpp' '*.h'
format:
	@$(PREREQUISITES) format
	$(FORMATTED) | xargs -0 clang-format -i

format-check:
	@$(PREREQUISITES) format
	$(FORMATTED) | xargs -0 clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD) $(WINDOWS_BUILD) $(ARM_BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(DIST_BUILD)
