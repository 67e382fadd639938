# Front door: `make run` builds and plays the show, `make test` builds and runs every test.
# `make install PREFIX=...` installs the show, `make package` makes a .deb of it.
BUILD  ?= build
SHOW   ?= $(BUILD)/show
JOBS   ?= $(shell nproc)
KIV_ARGS ?=
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all bootstrap build programs assets run video test sanitize bench fuzz levels flashes soak installable install package \
        web web-serve web-test web-bench clean

all: build

bootstrap:
	@bash scripts/bootstrap.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: bootstrap $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Only what the show needs: the player and the generator of its default files.
programs: bootstrap $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target kiv kiv-assets

# Makes the default files that are missing or that another build of kiv-assets made; your own files stay.
assets: programs
	$(BUILD)/tools/kiv-assets $(SHOW)

# KIV_ARGS go to the window toolkit, e.g. KIV_ARGS="-geometry 1024x768+0+0" where no window manager runs.
run: assets
	cd $(SHOW) && $(abspath $(BUILD))/kiv $(KIV_ARGS)

# The whole default show as a video file, offscreen: no display and no sound device needed.
VIDEO ?= $(BUILD)/kiv.mp4
VIDEO_ARGS ?= --size 1280x720 --fps 30
video: assets
	cmake --build $(BUILD) -j $(JOBS) --target kiv-render
	cd $(SHOW) && $(abspath $(BUILD))/render/kiv-render $(VIDEO_ARGS) $(abspath $(VIDEO))

# The suite runs twice: under AddressSanitizer and UndefinedBehaviorSanitizer (all but the 155 s real-time show),
# then, after the page's tests in a browser, in the plain build, whose summary is the last word.
test: build fuzz sanitize web-test
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

SAN_BUILD ?= $(BUILD)/sanitize
sanitize: bootstrap
	cmake -S . -B $(SAN_BUILD) -DKIV_SANITIZE=ON -DKIV_BENCH=OFF
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS) -E '^fullshow_test$$'

# A short bounded libFuzzer run over the picture loader, in a clang build of its own.
FUZZ_BUILD   ?= $(BUILD)/fuzz
FUZZ_SECONDS ?= 25
fuzz: bootstrap
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	      -DKIV_FUZZ=ON -DKIV_TESTS=OFF -DKIV_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target texture_fuzz texture_seeds
	@mkdir -p $(FUZZ_BUILD)/corpus
	$(FUZZ_BUILD)/tests/fuzz/texture_seeds $(FUZZ_BUILD)/corpus
	$(FUZZ_BUILD)/tests/fuzz/texture_fuzz -max_total_time=$(FUZZ_SECONDS) -close_fd_mask=3 \
	      -artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus

# Micro-benchmarks, then the whole show under Xvfb: frame costs per scene, start-up, and one full run's
# memory; the listening show's latency and CPU per frame against a private PulseAudio server; then
# kiv-render's stages and whole-show renders (about twenty-five minutes in all; docs/performance.md and
# docs/listening.md read the figures).
bench: build assets
	$(BUILD)/bench/kiv-bench
	$(BUILD)/bench/scenes/kiv-scenes
	$(BUILD)/bench/startup/kiv-startup --whole-show
	$(BUILD)/bench/listen/kiv-listen-bench latency 20
	$(BUILD)/bench/listen/kiv-listen-bench cpu 30
	$(BUILD)/bench/render/kiv-render-bench $(SHOW)
	cd $(SHOW) && /usr/bin/time -f "kiv-render, show 0-30 s at 1280x720, 30 fps: %e s, peak memory %M KiB" \
	      $(abspath $(BUILD))/render/kiv-render --size 1280x720 --fps 30 --to 30 --quiet /tmp/kiv-bench-30s.mp4
	cd $(SHOW) && /usr/bin/time -f "kiv-render, whole show at 1280x720, 30 fps: %e s (152 s long), peak memory %M KiB" \
	      $(abspath $(BUILD))/render/kiv-render --size 1280x720 --fps 30 --quiet /tmp/kiv-bench-whole.mp4
	rm -f /tmp/kiv-bench-30s.mp4 /tmp/kiv-bench-whole.mp4

# How the show hears the default music and the real recordings of docs/levels.md (where their packages are
# installed): the table on stdout, the plot in $(BUILD)/levels.png.
levels: programs
	cmake --build $(BUILD) -j $(JOBS) --target kiv-levels
	bash bench/levels/corpus.sh --plot $(BUILD)/levels.png

# Flashing, measured: the whole show swept offscreen at 60 and 30 fps with the default music, generated stress
# music, the corpus of `make levels` (where installed) and the same 20 dB quieter and 12 dB hotter; one table
# row a track and frame rate (docs/flash-safety.md reads it). A benchmark: some five minutes a track on two
# busy cores, both frame rates; 47 tracks with the whole corpus installed.
flashes: programs
	cmake --build $(BUILD) -j $(JOBS) --target kiv-flashes kiv-picture
	BUILD=$(BUILD) bash bench/flashes/flashes.sh

# Installs into PREFIX (DESTDIR is honoured) from a build of its own, without tests and benchmarks.
INSTALL_BUILD ?= $(BUILD)/install
installable: bootstrap
	cmake -S . -B $(INSTALL_BUILD) -DKIV_TESTS=OFF -DKIV_BENCH=OFF
	cmake --build $(INSTALL_BUILD) -j $(JOBS)

install: installable
	cmake --install $(INSTALL_BUILD) --prefix $(PREFIX)

# A Debian package of the same: $(INSTALL_BUILD)/kiv_VERSION_ARCH.deb.
package: installable
	cd $(INSTALL_BUILD) && cpack -G DEB

# Every way out of the show (Escape, window closed, xkill, display closed, SIGINT, SIGTERM, SIGHUP) at every
# moment it can come, SOAK_TRIALS times each, beside two busy threads (about 20 minutes). Prints the figures
# that docs/robustness.md reads.
SOAK_TRIALS ?= 50
soak: build
	KIV_SHUTDOWN_TRIALS=$(SOAK_TRIALS) $(BUILD)/tests/shutdown_test --gtest_filter='Shutdown.EveryWayOut*'

# The show in a browser (docs/web.md): $(WEB_OUT) is a static folder any web server can host. The first build
# installs emscripten and compiles FFTW and libtiff from Debian's source packages into WEB_DEPS (minutes);
# later builds reuse them. KIV_WEB_DEPS may keep them outside the build folder.
WEB_OUT   ?= $(BUILD)/web
WEB_BUILD ?= $(BUILD)/web-build
WEB_DEPS  ?= $(if $(KIV_WEB_DEPS),$(KIV_WEB_DEPS),$(BUILD)/web-deps)
WEB_PORT  ?= 8152
# emscripten 3.1.6 runs node, whose built-in fetch breaks its loading of wasm files by path; a node not of
# Debian (NodeSource's) does not look for Debian's node modules (acorn) where they are.
WEB_ENV   = NODE_OPTIONS=--no-experimental-fetch NODE_PATH=/usr/share/nodejs
web: assets
	@bash scripts/bootstrap-web.sh
	JOBS=$(JOBS) bash web/build-deps.sh $(WEB_DEPS)
	$(WEB_ENV) emcmake cmake -S web -B $(WEB_BUILD) -DKIV_WEB_DEPS=$(abspath $(WEB_DEPS)) \
	      -DKIV_WEB_OUT=$(abspath $(WEB_OUT)) >/dev/null
	$(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)
	cp web/index.html web/page.js web/sound.js web/hook.js web/files.js web/capture.js $(WEB_OUT)/
	mkdir -p $(WEB_OUT)/show
	cp $(SHOW)/img1.tif $(SHOW)/img2.tif $(SHOW)/img4.tif $(SHOW)/img5.tif $(SHOW)/music.mp3 $(WEB_OUT)/show/

web-serve: web
	@echo "kiv: the show is at http://127.0.0.1:$(WEB_PORT)/ (Ctrl-C stops the server)"
	python3 -m http.server --bind 127.0.0.1 --directory $(WEB_OUT) $(WEB_PORT)

# The page in headless chromium (web/test/): it loads clean, plays, stops on Escape, its frames on the
# virtual clock match kiv-render's, with the default files and with the user's own, it listens, they pass the
# flash meter with the drums that flashed most, and a clean web build works offline from the cached libraries.
web-test: web
	@bash scripts/bootstrap-web.sh --test
	cmake --build $(BUILD) -j $(JOBS) --target kiv-render kiv-flashes kiv-picture
	KIV_WEB_OUT=$(abspath $(WEB_OUT)) KIV_RENDER=$(abspath $(BUILD))/render/kiv-render \
	      KIV_FLASHES=$(abspath $(BUILD))/bench/flashes/kiv-flashes KIV_PICTURE=$(abspath $(BUILD))/tools/kiv-picture \
	      node --test web/test/page.test.js web/test/frames.test.js web/test/files.test.js web/test/listen.test.js \
	      web/test/flash.test.js web/test/offline.test.js

# The page's frames per second per scene in headless chromium, then the desktop's kiv-scenes in the same run
# (docs/web.md reads both).
web-bench: web
	@bash scripts/bootstrap-web.sh --test
	cmake --build $(BUILD) -j $(JOBS) --target kiv-scenes
	KIV_WEB_OUT=$(abspath $(WEB_OUT)) node web/test/fps.js
	$(BUILD)/bench/scenes/kiv-scenes

clean:
	rm -rf $(BUILD)
