# The two set-up commands: `make run` opens Sprig, `make test` builds everything and runs every
# test. Both install the missing system packages they need first (scripts/install-deps.sh:
# `make run` only what building and running takes, `make test` the test tools as well).
BUILD      ?= build
ASAN_BUILD ?= build-asan
HEADLESS_BUILD ?= build-headless
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
PREFIX     ?= /usr/local

.PHONY: all deps deps-run configure build run test test-main test-asan test-headless fuzz-smoke bench format clean install deb

all: build

deps-run:
	@sh scripts/install-deps.sh run

deps:
	@sh scripts/install-deps.sh test

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPRIG_TESTS=ON

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Opens the editor window on the built-in template (pass FILE=path.ls to open a description).
# Builds without the tests, so it needs none of their packages.
run: deps-run
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPRIG_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS) --target sprig lsys
	$(BUILD)/app/sprig $(FILE)

test: test-main test-asan test-headless fuzz-smoke

test-main: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Everything again, built with AddressSanitizer and UBSan: the engine, lsys and its libraries,
# and the window's Qt tests under Xvfb (leak reports are off for those: Mesa and the X
# libraries keep allocations until exit).
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DSPRIG_SANITIZE=ON -DSPRIG_GUI=ON -DSPRIG_TESTS=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS) -LE install

# A build without the window (no GL, no widgets) must still build and install lsys.
test-headless: deps
	cmake -S . -B $(HEADLESS_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPRIG_GUI=OFF -DSPRIG_TESTS=OFF
	cmake --build $(HEADLESS_BUILD) -j $(JOBS) --target lsys
	rm -rf $(HEADLESS_BUILD)/root
	cmake --install $(HEADLESS_BUILD) --prefix $(HEADLESS_BUILD)/root >/dev/null
	$(HEADLESS_BUILD)/root/bin/lsys check examples/tree.ls

# Short libFuzzer runs when clang is present: parse + draw + pick with small budgets under the
# sanitizers, then with the description's own limits under a timeout and a memory cap, and
# lsys's command line.
fuzz-smoke: deps
	@if command -v clang++ >/dev/null 2>&1; then \
	  CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DSPRIG_FUZZ=ON -DSPRIG_GUI=OFF -DSPRIG_TESTS=OFF && \
	  cmake --build $(FUZZ_BUILD) --target fuzz_lsys fuzz_lsys_defaults fuzz_args -j $(JOBS) && \
	  sh fuzz/smoke.sh $(FUZZ_BUILD)/fuzz/fuzz_lsys 15 && \
	  sh fuzz/smoke.sh $(FUZZ_BUILD)/fuzz/fuzz_lsys_defaults 10 10 512 && \
	  sh fuzz/smoke.sh $(FUZZ_BUILD)/fuzz/fuzz_args 15; \
	else echo "clang not found: fuzz smoke run skipped"; fi

bench: build
	$(BUILD)/bench/sprig_bench

# Installs the programs, launcher, file type, icons, manual pages, documentation and examples
# under PREFIX (DESTDIR is honoured for staged installs).
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# Builds the Debian package (installs under /usr) into $(BUILD).
deb: build
	cd $(BUILD) && cpack -G DEB

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(HEADLESS_BUILD) $(FUZZ_BUILD)
