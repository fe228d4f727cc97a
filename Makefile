# The two set-up commands of the README: `make run` and `make test`.
BUILD   ?= build
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: run test bench deps configure build

deps:
	@tools/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# Starts the player from its app folder (executable, skin/ and playlist/).
run: build
	cd $(BUILD)/app && ./vantrel

# Runs every test headless: no display, no sound card.
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j$(JOBS) --timeout 300

# Builds and runs every benchmark.
bench: export VANTREL_EXTRA_PKGS = xvfb pulseaudio ffmpeg
bench: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy ../bench/run-all.sh
