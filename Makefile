# Front door: every target installs what is missing, configures and builds first.
# The game alone (make run, install) and everything with its tests build apart, so that neither
# rebuilds the other's objects.
BUILD      ?= build
TEST_BUILD ?= build-test
PACKAGE_BUILD ?= build-package
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
WEB_BUILD  ?= build-web
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
FUZZ_SECONDS ?= 30
FUZZERS    := save_fuzzer story_fuzzer font_fuzzer
HEADLESS   := SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
# Quiet about the directories cmake's own make enters.
MAKEFLAGS  += --no-print-directory

# Warnings stop the build only in the test targets, which set this: a newer compiler's new
# warnings must not keep a player from the game. Unset, a build keeps what it was configured with.
WERROR     ?=
werror      = $(if $(WERROR),-DGORUBADON_WERROR=$(WERROR))
# DEPS=no skips the package check, where the packages come from elsewhere (not Debian).
DEPS       ?= yes

.PHONY: all deps deps-run build build-all run install package check-reproducible test test-main \
    test-compat test-asan fuzz-smoke fuzz bench measure test-releases screenshots story-map format clean \
    web run-web measure-web test-web

all: build

deps:
	@[ "$(DEPS)" = no ] || sh tools/install-deps.sh test

deps-run:
	@[ "$(DEPS)" = no ] || sh tools/install-deps.sh run

# What make install takes (the game and its manual page); make run builds the game alone.
build: deps-run
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGORUBADON_WERROR=OFF \
	    -DGORUBADON_TESTS=OFF -DGORUBADON_BENCH=OFF > /dev/null
	@cmake --build $(BUILD) -j$(JOBS) $(BUILD_TARGET)

# The game, its tests, benchmarks and the measuring probe.
build-all: deps
	@cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGORUBADON_TESTS=ON \
	    -DGORUBADON_BENCH=ON $(werror) > /dev/null
	@cmake --build $(TEST_BUILD) -j$(JOBS)

run: BUILD_TARGET = --target gorubadon
# Display, scale, audio and signals as the installed launcher has them.
run: build
	sh dist/run-game.sh ./$(BUILD)/gorubadon

# make install PREFIX=$$HOME/.local; DESTDIR=... stages it elsewhere. The web engine goes with it,
# so that an installed gorubadon-story publishes a story with no compiler: building it needs
# emscripten (make web), which make run does not.
WEB_ENGINE = $(CURDIR)/$(WEB_BUILD)/engine
install: build web
	DESTDIR="$(DESTDIR)" GORUBADON_WEB_ENGINE="$(WEB_ENGINE)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# A .deb in $(PACKAGE_BUILD)/, depending on the system's own SDL 1.2 libraries and fonts-vlgothic.
# Its maintainer: make package MAINTAINER="Name <mail>", else Debian's DEBFULLNAME and DEBEMAIL,
# else the last commit's author.
MAINTAINER ?= $(if $(DEBEMAIL),$(DEBFULLNAME) <$(DEBEMAIL)>,$(shell git log -1 --format='%an <%ae>' 2>/dev/null))
package: deps web
	@JOBS=$(JOBS) sh tools/package.sh $(PACKAGE_BUILD) "$(MAINTAINER)" "$(WEB_ENGINE)"

# Two fresh clones of the last commit, packaged in two folders, give the same bytes (with this
# checkout's web engine in both).
check-reproducible: deps web
	@JOBS=$(JOBS) sh tools/package.sh --two-clones "$(MAINTAINER)" "$(WEB_ENGINE)"

test: test-main test-compat test-asan fuzz-smoke test-web
test-main test-compat test-asan fuzz-smoke test-web: WERROR = ON

test-main: build-all
	@sh tools/run-tests.sh sdl12 $(TEST_BUILD) $(JOBS) $(HEADLESS)

# The same build and the whole suite again, over sdl12-compat, where the system's own SDL 1.2 is
# the classic one and sdl12-compat sits beside it (Debian 12), as the start-up script finds it.
# Elsewhere test-main has run on it.
test-compat: build-all
	@compat=$$(sh dist/run-game.sh --sdl12-compat $(TEST_BUILD)/gorubadon) || true; \
	if [ -z "$$compat" ]; then \
	    echo "== no second SDL 1.2 to test on: the game's libSDL-1.2 is the one test-main ran on"; \
	else \
	    sh tools/run-tests.sh sdl12-compat $(TEST_BUILD) $(JOBS) $(HEADLESS) LD_LIBRARY_PATH=$$compat; \
	fi

# The sanitizer build also takes the portable paths (no X11 or POSIX calls), so they are tested.
test-asan: deps
	@CC=clang CXX=clang++ cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug $(werror) \
	    -DGORUBADON_SANITIZE=ON -DGORUBADON_PORTABLE=ON -DGORUBADON_BENCH=OFF > /dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	@sh tools/run-tests.sh sanitizers $(ASAN_BUILD) $(JOBS) $(HEADLESS) ASAN_OPTIONS=detect_leaks=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

$(FUZZ_BUILD)/fuzz/save_fuzzer: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(werror) \
	    -DGORUBADON_FUZZ=ON -DGORUBADON_TESTS=OFF -DGORUBADON_BENCH=OFF > /dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target $(FUZZERS)

# fuzz-smoke is a short run inside `make test`, so a crash in the save-file, story or font reader
# fails the build. It starts from a fixed seed, so that a clean clone tries what the change's
# author saw pass; fuzz explores from a new seed each time, as long as one likes:
# make fuzz FUZZ_SECONDS=3600
fuzz: FUZZ_SECONDS = 600
fuzz: FUZZ_SEED = 0
FUZZ_SEED ?= 1
fuzz-smoke fuzz: $(FUZZ_BUILD)/fuzz/save_fuzzer
	@for fuzzer in $(FUZZERS); do \
	    sh fuzz/run.sh $(FUZZ_BUILD)/fuzz/$$fuzzer $(FUZZ_SECONDS) $(FUZZ_SEED) || exit 1; done

bench: build-all
	cd $(TEST_BUILD) && $(HEADLESS) ./bench/gorubadon_bench
	$(TEST_BUILD)/bench/gorubadon_story_memory

# The game against the bare SDL program on both SDL 1.2 implementations, from outside, under a
# private X server: make measure REPS=15.
REPS ?= 11
measure:
	@[ "$(DEPS)" = no ] || sh tools/install-deps.sh measure
	@$(MAKE) --no-print-directory build-all
	sh tools/measure/measure.sh $(TEST_BUILD) $(REPS)

# make test on a clean clone of HEAD in a minimal chroot of each newer Debian release (as root;
# the chroots are cached in ~/.cache/gorubadon/releases): make test-releases RELEASES=testing
RELEASES ?= trixie testing
test-releases:
	nice sh tools/test-releases.sh $(RELEASES)

screenshots: deps build
	sh tools/screenshots.sh $(BUILD)/gorubadon $(BUILD)/screenshots

# The game's story as a map, in build/: story-map.svg and story-map.png (Graphviz's dot draws it).
story-map: build
	@[ "$(DEPS)" = no ] || sh tools/install-deps.sh story-map
	@cmake --build $(BUILD) -j$(JOBS) --target gorubadon-story
	./$(BUILD)/gorubadon-story map > $(BUILD)/story-map.dot
	dot -Tsvg $(STORY_MAP_FONT) $(BUILD)/story-map.dot -o $(BUILD)/story-map.svg
	dot -Tpng $(STORY_MAP_FONT) $(BUILD)/story-map.dot -o $(BUILD)/story-map.png
# The font the game's own is made from, so the Japanese reads as it does on screen.
STORY_MAP_FONT := -Nfontname="VL Gothic" -Efontname="VL Gothic"

# The browser build: the web engine in $(WEB_BUILD)/engine/, which `gorubadon-story publish` makes a
# story's folder of static files from; the game's own page in $(WEB_BUILD)/page/.
# Emscripten's compiler finds its JavaScript modules in Debian's folder even when another Node
# comes first on PATH.
EMENV := NODE_PATH=/usr/share/nodejs
web:
	@[ "$(DEPS)" = no ] || sh tools/install-deps.sh web
	@sh web/tools/prepare.sh $(CURDIR)/$(WEB_BUILD)/debian-src
	@$(EMENV) emcmake cmake -S . -B $(WEB_BUILD) -DCMAKE_BUILD_TYPE=Release -DGORUBADON_TESTS=OFF \
	    -DGORUBADON_BENCH=OFF -DGORUBADON_WEB_SOURCES=$(CURDIR)/$(WEB_BUILD)/debian-src $(werror) > /dev/null
	@$(EMENV) cmake --build $(WEB_BUILD) -j$(JOBS) --target page
	@$(MAKE) build BUILD_TARGET="--target gorubadon-story"
	@./$(BUILD)/gorubadon-story publish --game game/gorubadon.story $(WEB_BUILD)/page > /dev/null

# Serves the folder on 127.0.0.1 until interrupted: make run-web WEB_PORT=8080
WEB_PORT ?= 8023
run-web: web
	node web/tools/serve.js $(WEB_BUILD)/page $(WEB_PORT)

# The browser game played as on the desktop, screen for screen, in headless Chromium.
test-web: build-all web
	@echo "== tests in the browser"
	@sh tests/web/browser.sh $(TEST_BUILD)/gorubadon $(WEB_BUILD)

# First frame (also on Lighthouse's mobile line), transfer size, key-to-pixels latency and idle
# CPU in headless Chromium: make measure-web WEB_REPS=20
WEB_REPS ?= 10
measure-web: web
	node web/tools/measure.js $(WEB_BUILD)/page $(WEB_REPS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.hpp')

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(PACKAGE_BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WEB_BUILD)
