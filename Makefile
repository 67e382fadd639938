# Front door: `make run` builds and plays the show, `make test` builds and runs every test.
BUILD  ?= build
SHOW   ?= $(BUILD)/show
JOBS   ?= $(shell nproc)
KIV_ARGS ?=
CMAKE_FLAGS ?=

.PHONY: all bootstrap build assets run test sanitize bench fuzz soak clean

all: build

bootstrap:
	@bash scripts/bootstrap.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: bootstrap $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# The generators write the same bytes every run, so this only fills in what is missing.
assets: build
	@mkdir -p $(SHOW)
	$(BUILD)/tools/kiv-assets $(SHOW)

# KIV_ARGS go to the window toolkit, e.g. KIV_ARGS="-geometry 1024x768+0+0" where no window manager runs.
run: assets
	cd $(SHOW) && $(CURDIR)/$(BUILD)/kiv $(KIV_ARGS)

# The suite runs twice: under AddressSanitizer and UndefinedBehaviorSanitizer (all but the 155 s real-time show),
# then in the plain build, whose summary is the last word.
test: build fuzz sanitize
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
# memory (about five minutes in all; docs/performance.md reads the figures).
bench: build
	$(BUILD)/bench/kiv-bench
	$(BUILD)/bench/scenes/kiv-scenes
	$(BUILD)/bench/startup/kiv-startup --whole-show

# Every way out of the show (Escape, window closed, xkill, display closed, SIGINT, SIGTERM, SIGHUP) at every
# moment it can come, SOAK_TRIALS times each, beside two busy threads (about 20 minutes). Prints the figures
# that docs/robustness.md reads.
SOAK_TRIALS ?= 50
soak: build
	KIV_SHUTDOWN_TRIALS=$(SOAK_TRIALS) $(BUILD)/tests/shutdown_test --gtest_filter='Shutdown.EveryWayOut*'

clean:
	rm -rf $(BUILD)
