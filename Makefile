# Front door: `make run` builds and plays the show, `make test` builds and runs every test.
BUILD  ?= build
SHOW   ?= $(BUILD)/show
JOBS   ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all bootstrap build assets run test bench clean

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

run: assets
	cd $(SHOW) && $(CURDIR)/$(BUILD)/kiv

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/bench/kiv-bench

clean:
	rm -rf $(BUILD)
