# Set-up commands: `make run` and `make test` (see README.md).
BUILD     ?= build
ASAN_BUILD ?= build-asan
JOBS      ?= $(shell nproc)

.PHONY: deps configure build run test test-sanitize test-tsan bench install screenshot clean

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# With a display: the desktop app. Without: a sample conversion on the command line.
run: build
	@if [ -n "$${DISPLAY:-}$${WAYLAND_DISPLAY:-}" ]; then $(BUILD)/src/app/vidmorph; \
	 else BUILD=$(BUILD) scripts/run-headless; fi

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVIDMORPH_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The component's threading under ThreadSanitizer.
TSAN_BUILD ?= build-tsan
test-tsan: deps
	@cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-fsanitize=thread \
	  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target component_tests
	@TSAN_OPTIONS=halt_on_error=1 $(TSAN_BUILD)/tests/component_tests \
	  --gtest_filter='Vexcoder.*-Vexcoder.CodecThreads*'

# The desktop app, its help, menu entry and icon (PREFIX=/usr/local, DESTDIR for staging).
PREFIX ?= /usr/local
install: build
	install -Dm755 $(BUILD)/src/app/vidmorph $(DESTDIR)$(PREFIX)/lib/vidmorph/vidmorph
	install -Dm644 share/help.html $(DESTDIR)$(PREFIX)/lib/vidmorph/help.html
	install -Dm755 $(BUILD)/src/cli/vidmorph-cli $(DESTDIR)$(PREFIX)/bin/vidmorph-cli
	install -d $(DESTDIR)$(PREFIX)/bin
	ln -sf ../lib/vidmorph/vidmorph $(DESTDIR)$(PREFIX)/bin/vidmorph
	install -Dm644 share/vidmorph.desktop $(DESTDIR)$(PREFIX)/share/applications/vidmorph.desktop
	install -Dm644 share/vidmorph.svg $(DESTDIR)$(PREFIX)/share/icons/hicolor/scalable/apps/vidmorph.svg
	-update-desktop-database -q $(DESTDIR)$(PREFIX)/share/applications 2>/dev/null
	-gtk-update-icon-cache -q -t $(DESTDIR)$(PREFIX)/share/icons/hicolor 2>/dev/null

# A screenshot of the main window under Xvfb, into docs/main-window.png.
screenshot: build
	@scripts/screenshot-main-window

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)

# Engine vs. a minimal reference conversion: wall time, fps, peak memory.
.PHONY: bench
bench: build
	@$(BUILD)/bench/vidmorph-bench
