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

# The Debian package of the player, build/vantrel_<version>_<arch>.deb
# (install it with `sudo apt install ./build/vantrel_*.deb`).
.PHONY: deb
deb: build
	@cd $(BUILD) && cpack -G DEB > /dev/null && ls vantrel_*.deb

# Builds and runs every benchmark.
bench: export VANTREL_EXTRA_PKGS = xvfb pulseaudio ffmpeg libxcb-damage0-dev
bench: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy ../bench/run-all.sh

# Hardening, run by CI after `make test`. The whole test suite built with
# AddressSanitizer and UndefinedBehaviorSanitizer (gcc, Debug) in build-asan/,
# any report failing it; leaks that belong to Qt, fontconfig, SDL or FFmpeg
# themselves are listed, each with its reason, in .ci/lsan.supp.
BUILD_ASAN ?= build-asan
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 30
SAN_ENV = ASAN_OPTIONS=detect_leaks=1:strict_init_order=1:check_initialization_order=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/.ci/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: test-asan fuzz

test-asan: deps
	@cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Debug -DVANTREL_SANITIZE=ON > /dev/null
	@# Only the test programs (and what they need): the rest is not run here.
	@$(SAN_ENV) cmake --build $(BUILD_ASAN) -j$(JOBS) --target $$(cmake --build $(BUILD_ASAN) --target help | \
		sed -n 's/^\.\.\. \(test_[a-z_]*\)$$/\1/p' | grep -v '_autogen$$')
	cd $(BUILD_ASAN) && $(SAN_ENV) QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j$(JOBS) --timeout 900

# Builds the libFuzzer targets of fuzz/ with clang in build-fuzz/ and runs
# each one for FUZZ_SECONDS from its committed seed corpus.
fuzz: export VANTREL_EXTRA_PKGS = clang-14 libclang-rt-14-dev
fuzz: deps
	@cmake -S . -B $(BUILD_FUZZ) -DCMAKE_CXX_COMPILER=clang++-14 -DVANTREL_FUZZ=ON \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	@cmake --build $(BUILD_FUZZ) -j$(JOBS) --target fuzz_targets
	@$(SAN_ENV) fuzz/run.sh $(BUILD_FUZZ) $(FUZZ_SECONDS) $(JOBS)
