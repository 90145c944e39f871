# The two commands of the quick start: `make run` and `make test`.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_ARGS ?=
JOBS ?= $(shell nproc)

WEB_BUILD ?= build-web
WEB_PORT ?= 8000

.PHONY: run test build setup bench web serve-web

setup:
	scripts/setup

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/veltro-lander $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	for b in $(BUILD)/bench/bench_*; do "$$b"; done

# The browser edition in $(WEB_BUILD)/, with the sounds the native build synthesises.
web: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS) --target veltro_assets
	scripts/build-web $(BUILD)/bin $(WEB_BUILD)

serve-web: web
	@echo "Open http://127.0.0.1:$(WEB_PORT)/ (Ctrl-C stops the server)"
	python3 -m http.server $(WEB_PORT) --bind 127.0.0.1 --directory $(WEB_BUILD)
