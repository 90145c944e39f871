# SPDX-License-Identifier: GPL-3.0-or-later
# The two commands of the quick start, `make run` and `make test`, and the usual rest:
# `make bench`, `make performance` (docs/performance.md; EARLIER: an earlier veltro-lander to set
# beside it), `make install` (PREFIX, DESTDIR), `make uninstall`, `make package` (a .deb),
# `make web` and `make serve-web` (the browser edition), `make soak` (10,000 random flights under
# AddressSanitizer, and the damaged-file soak), `make fuzz` (FUZZ_SECONDS per target).
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
DESTDIR ?=
EARLIER ?=

SOAK_BUILD ?= build-soak
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

WEB_BUILD ?= build-web
WEB_PORT ?= 8000

.PHONY: run test fuzz bench performance soak build install uninstall package configure web serve-web

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS)

# The game alone: the program, its sounds and its help page.
build:
	scripts/setup run
	$(MAKE) configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/veltro-lander $(ARGS)

test:
	scripts/setup test
	$(MAKE) configure
	cmake --build $(BUILD) -j $(JOBS) --target all veltro_tests
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Every fuzz target (fuzz/) for FUZZ_SECONDS each, built with clang and libFuzzer in $(FUZZ_BUILD).
fuzz:
	scripts/setup fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DVELTRO_FUZZ=ON $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target veltro_fuzzers
	FUZZ_SECONDS=$(FUZZ_SECONDS) fuzz/run $(FUZZ_BUILD)

bench:
	scripts/setup test
	$(MAKE) configure
	cmake --build $(BUILD) -j $(JOBS) --target veltro_benchmarks
	for b in $(BUILD)/bench/bench_*; do "$$b"; done

performance:
	scripts/setup test
	$(MAKE) configure
	cmake --build $(BUILD) -j $(JOBS) --target veltro-lander bench_floor bench_game bench_sound measure_stream_memory
	bench/performance.sh $(BUILD) $(EARLIER)

# The soak in a sanitized build of its own: 10,000 flights, then 400 with a damaged click file.
soak:
	scripts/setup test
	cmake -S . -B $(SOAK_BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DVELTRO_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(SOAK_BUILD) -j $(JOBS) --target soak
	$(SOAK_BUILD)/soak/soak --flights 10000
	$(SOAK_BUILD)/soak/soak --damaged-file 400

install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

uninstall:
	DESTDIR="$(DESTDIR)" cmake -DPREFIX="$(PREFIX)" -P $(BUILD)/uninstall.cmake

package: build
	cd $(BUILD) && cpack

# The browser edition in $(WEB_BUILD)/site/ (only that folder is served), with the sounds the
# native build synthesises.
web:
	scripts/setup test
	$(MAKE) configure
	cmake --build $(BUILD) -j $(JOBS) --target veltro_assets
	scripts/build-web $(BUILD)/bin $(WEB_BUILD)

serve-web: web
	@echo "Open http://127.0.0.1:$(WEB_PORT)/ (Ctrl-C stops the server)"
	python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_BUILD)/site
