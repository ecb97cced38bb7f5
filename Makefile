# The two commands a fresh Debian 12 machine needs: `make run` and `make test`.
# Both install what is missing first (scripts/install-deps).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test check-sanitizers fuzz bench install package format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/bin/trawlix

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# make install [PREFIX=/usr/local] [DESTDIR=/staging/root]
PREFIX ?= /usr/local
install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# The Debian package, written to $(BUILD)/trawlix_VERSION_ARCH.deb.
package: build
	@scripts/install-deps package
	@cd $(BUILD) && cpack -G DEB

# Speed against ripgrep, GNU grep and ugrep on large corpora kept outside the
# repository (bench/prepare-corpora); a table goes to $(BUILD)/bench/latest.md.
bench: configure
	@scripts/install-deps bench
	@cmake --build $(BUILD) -j $(JOBS) --target trawlix-cli
	@bench/prepare-corpora
	@bench/run --cli $(BUILD)/bin/trawlix-cli --out $(BUILD)/bench

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf $(BUILD) build-*
