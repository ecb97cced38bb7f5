# The two commands a fresh Debian 12 machine needs once git and make are there (the
# README's first line): `make run` and `make test`. Both install what else is missing
# first (scripts/install-deps).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# The window benchmark is built only by `make bench-window`; WINDOW_BENCH_FLAGS=--cold
# evicts the corpus's file data before each timed search.
TRAWLIX_BENCH ?= OFF

.PHONY: all deps configure build run test check-sanitizers check-thread-safety fuzz bench bench-window install package check-package format clean

all: build

deps:
	@scripts/install-deps

# Every build folder is built by Ninja (scripts/configure).
configure: deps
	@scripts/configure $(BUILD) . -DCMAKE_BUILD_TYPE=Release -DTRAWLIX_BENCH=$(TRAWLIX_BENCH) $(CMAKE_FLAGS)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The program alone, saying little: Ninja's one progress line in a terminal, and elsewhere
# nothing but what fails (a failing compile still shows its command and all its output).
run: configure
	@if [ -t 1 ]; then quiet=; else quiet=--quiet; fi; \
	  cmake --build $(BUILD) -j $(JOBS) --target trawlix -- $$quiet
	@$(BUILD)/bin/trawlix

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The core, trawlix-cli and core_tests built with AddressSanitizer and UBSan, and their
# tests run there; any finding fails the run.
SANITIZE_FLAGS = -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all
# Then the tests that run the read-ahead's threads, under ThreadSanitizer.
THREAD_SANITIZE_FLAGS = -fsanitize=thread -fno-omit-frame-pointer
THREADED_TESTS = ReadAhead*:WorkWindow*:SearchRunTest*:Threads*
check-sanitizers: deps
	@scripts/configure build-asan . -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAWLIX_GUI=OFF \
	  -DCMAKE_CXX_FLAGS="$(SANITIZE_FLAGS)"
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)
	@scripts/configure build-tsan . -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAWLIX_GUI=OFF \
	  -DCMAKE_CXX_FLAGS="$(THREAD_SANITIZE_FLAGS)"
	@cmake --build build-tsan -j $(JOBS) --target core_tests
	@TSAN_OPTIONS=halt_on_error=1 build-tsan/bin/core_tests --gtest_filter='$(THREADED_TESTS)'
	@$(MAKE) --no-print-directory check-thread-safety

# The core and trawlix-cli built by Clang with its thread-safety analysis: a field that
# names its lock, touched without it, fails the build.
check-thread-safety:
	@scripts/install-deps fuzz
	@scripts/configure build-tsa . -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
	  -DTRAWLIX_GUI=OFF -DTRAWLIX_TESTS=OFF -DCMAKE_CXX_FLAGS="-Wthread-safety -Werror"
	@cmake --build build-tsa -j $(JOBS) --target trawlix-cli

# libFuzzer targets (fuzz/), each run for FUZZ_SECONDS on a copy of its seed corpus in
# build-fuzz, so that nothing is written into the source tree.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = fuzz_parsex fuzz_masks fuzz_matching
fuzz:
	@scripts/install-deps fuzz
	@scripts/configure build-fuzz fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	@cmake --build build-fuzz -j $(JOBS)
	@set -e; for target in $(FUZZ_TARGETS); do \
	  rm -rf build-fuzz/corpus/$$target build-fuzz/artifacts/$$target; \
	  mkdir -p build-fuzz/corpus/$$target build-fuzz/artifacts/$$target; \
	  cp fuzz/corpus/$$target/* build-fuzz/corpus/$$target/; \
	  echo "fuzz: $$target for $(FUZZ_SECONDS) s"; \
	  build-fuzz/$$target -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/artifacts/$$target/ build-fuzz/corpus/$$target \
	    > build-fuzz/$$target.log 2>&1 || { tail -n 60 build-fuzz/$$target.log; exit 1; }; \
	  grep -E '^stat::number_of_executed_units|^Done' build-fuzz/$$target.log || true; \
	done

# make install [PREFIX=/usr/local] [DESTDIR=/staging/root]
PREFIX ?= /usr/local
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# The Debian package, written to $(BUILD)/trawlix_VERSION_ARCH.deb; check-package also
# runs lintian on it, and any error or warning fails.
package: build
	@scripts/install-deps package
	@cd $(BUILD) && cpack -G DEB

check-package: package
	@lintian --fail-on error,warning --pedantic $(BUILD)/trawlix_*.deb

# Speed against ripgrep, GNU grep and ugrep on large corpora kept outside the
# repository (bench/prepare-corpora); a table goes to $(BUILD)/bench/latest.md.
bench: configure
	@scripts/install-deps bench
	@cmake --build $(BUILD) -j $(JOBS) --target trawlix-cli
	@bench/prepare-corpora
	@bench/run --cli $(BUILD)/bin/trawlix-cli --out $(BUILD)/bench

# The windowed search on the kernel tree against trawlix-cli: Ok to the results window,
# the progress window's files and Cancel, and a results window of two million lines
# opened and scrolled; a table goes to $(BUILD)/bench/window.md. Offscreen unless a
# display is there.
bench-window:
	@$(MAKE) --no-print-directory configure TRAWLIX_BENCH=ON
	@scripts/install-deps bench
	@cmake --build $(BUILD) -j $(JOBS) --target trawlix-cli window_bench
	@bench/prepare-corpora
	@mkdir -p $(BUILD)/bench
	@$(BUILD)/bin/window_bench --cli $(BUILD)/bin/trawlix-cli --out $(BUILD)/bench/window.md $(WINDOW_BENCH_FLAGS)

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf $(BUILD) build-*
