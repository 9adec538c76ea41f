# make run   installs what is missing, builds, starts the GUI on the simulated pager
# make test  installs what is missing, builds, runs every test through ctest
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
SIM_IMAGE ?= $(HOME)/.local/share/qrt35/sim-pager.bin

.PHONY: all deps build run test test-asan bench fuzz screenshots clean

all: build

deps:
	@./scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@mkdir -p $(dir $(SIM_IMAGE))
	$(BUILD)/qrt35prog --port sim --sim-image $(SIM_IMAGE)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQRT_SANITIZE=ON

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b; done

screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/qrt35prog --port sim --screenshot docs/screenshots

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) build-fuzz
