# Convenience wrapper over CMake. Every target installs what it needs first.
BUILD ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
SOFT_BUILD ?= build-soft
ARM64_BUILD ?= build-arm64
WASM_BUILD ?= build-wasm
WEB_BUILD ?= build-web
WEB_PORT ?= 8577
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test test-sanitize test-tsan test-soft test-arm64 bench web web-run web-bench clean

all: build

deps:
	@./scripts/install-deps.sh

# Ninja: with nothing to rebuild, it decides so in a few milliseconds, so
# make run opens the window at once.
GENERATOR ?= Ninja

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGORVANEL_WERROR=ON $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Builds what the viewer needs, nothing else, and starts it.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target gorvanel
	$(BUILD)/app/gorvanel $(ARGS)

# Builds and runs every test, the page's in the browsers included.
TEST_WEB ?= web
test: build $(TEST_WEB)
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
# Leak detection stays on; tests/lsan.supp names the system libraries whose
# own leaks are not ours to fix.
test-sanitize: deps
	ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	$(MAKE) test BUILD=$(ASAN_BUILD) TEST_WEB= CMAKE_FLAGS="-DGORVANEL_SANITIZE=ON"

# The core and the render tool again under ThreadSanitizer (without Qt,
# which is not built with it): the core tests, and whole renders on 1, 2, 3
# and 7 threads. Any report fails the run.
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGORVANEL_WERROR=ON -DGORVANEL_TSAN=ON
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	TSAN_OPTIONS="halt_on_error=1 exitcode=66" ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS)

# The unit and tool tests again with the extended real computed in software
# (as on machines without the x87 unit), then the same pictures from both
# builds' render tools.
test-soft: build
	cmake -S . -B $(SOFT_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGORVANEL_WERROR=ON -DGORVANEL_SOFT_EXTENDED=ON
	cmake --build $(SOFT_BUILD) -j $(JOBS)
	ctest --test-dir $(SOFT_BUILD) --output-on-failure -j $(JOBS) -L 'unit|tool'
	tests/tools/same_pictures.sh $(BUILD)/tools/gorvanel-render $(SOFT_BUILD)/tools/gorvanel-render

# The whole project cross-built for 64-bit Arm and tested under qemu: the
# unit and tool tests, the app offscreen, the package, and the viewer under
# Xvfb showing what this machine's render tool draws; then the same pictures
# from both machines' render tools.
test-arm64: build
	@./scripts/install-deps.sh arm64
	cmake -S . -B $(ARM64_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGORVANEL_WERROR=ON \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
	  -DGORVANEL_REFERENCE_RENDER=$(CURDIR)/$(BUILD)/tools/gorvanel-render
	cmake --build $(ARM64_BUILD) -j $(JOBS)
	ctest --test-dir $(ARM64_BUILD) --output-on-failure -j $(JOBS)
	tests/tools/same_pictures.sh $(BUILD)/tools/gorvanel-render $(ARM64_BUILD)/emulated/gorvanel-render

bench: build
	$(BUILD)/tools/gorvanel-bench

# The page: static files in $(WEB_BUILD), index.html at its root. The
# WebAssembly module embeds the palette's logarithms, which the native
# build writes.
web: configure
	cmake --build $(BUILD) -j $(JOBS) --target gorvanel-half-logs
	mkdir -p $(WASM_BUILD)
	$(BUILD)/web/gorvanel-half-logs > $(WASM_BUILD)/HalfLogTable.new
	cmp -s $(WASM_BUILD)/HalfLogTable.new $(WASM_BUILD)/HalfLogTable.inc || \
	  mv $(WASM_BUILD)/HalfLogTable.new $(WASM_BUILD)/HalfLogTable.inc
	cmake -S . -B $(WASM_BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DGORVANEL_WERROR=ON \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/wasm32-wasi.cmake -DGORVANEL_WEB=ON \
	  -DGORVANEL_HALF_LOG_TABLE=$(CURDIR)/$(WASM_BUILD)/HalfLogTable.inc
	cmake --build $(WASM_BUILD) -j $(JOBS)
	rm -rf $(WEB_BUILD)
	mkdir -p $(WEB_BUILD)
	cp web/page/*.html web/page/*.css web/page/*.js web/page/*.wgsl $(WASM_BUILD)/web/gorvanel.wasm $(WEB_BUILD)/

# Serves the page on this machine only; any static file server will do.
web-run: web
	@echo "Gorvanel: http://localhost:$(WEB_PORT)/"
	python3 -m http.server --bind 127.0.0.1 --directory $(WEB_BUILD) $(WEB_PORT)

# The benchmark's views in the page, in headless Chromium, beside the
# native build's times on the same views, sizes and number of threads.
web-bench: build web
	tests/web/run.sh bench $(CURDIR)/$(WEB_BUILD) $(CURDIR)/$(BUILD)/tools/gorvanel-bench $(ARGS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(SOFT_BUILD) $(ARM64_BUILD) $(WASM_BUILD) $(WEB_BUILD)
