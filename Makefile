# make run   installs what building and the window need, builds, starts the GUI on the simulated pager
# make test  installs what the tests need as well, builds, runs every test through ctest
# make fuzz  installs clang as well, builds the libFuzzer targets and runs each for FUZZ_SECONDS
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
SIM_IMAGE ?= $(HOME)/.local/share/qrt35/sim-pager.bin

.PHONY: all deps deps-test deps-fuzz build run test test-asan bench fuzz screenshots package clean FORCE

all: build

# The Debian packages of each set (scripts/install-deps.sh): building and the
# window; the tests' servers and tools as well; clang as well.
deps:
	@./scripts/install-deps.sh run
deps-test:
	@./scripts/install-deps.sh test
deps-fuzz:
	@./scripts/install-deps.sh fuzz

# CMAKE_FLAGS: extra configure options, e.g. -DQRT_WERROR=ON (CI).
CMAKE_FLAGS ?=

# Every tree remembers the CMAKE_FLAGS it was configured with. When they
# change, the tree is configured again from a fresh cache: an option given
# once must not stay on after it is dropped, and one given now must not be
# ignored because the tree already exists (CI's -DQRT_WERROR=ON).
%/cmake-flags: FORCE
	@mkdir -p $(@D)
	@printf '%s\n' '$(CMAKE_FLAGS)' | cmp -s - $@ || printf '%s\n' '$(CMAKE_FLAGS)' > $@
FORCE:
configure = rm -f $(1)/CMakeCache.txt && cmake -S . -B $(1) -G Ninja

$(BUILD)/build.ninja: $(BUILD)/cmake-flags
	$(call configure,$(BUILD)) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@mkdir -p $(dir $(SIM_IMAGE))
	$(BUILD)/qrt35prog --port sim --sim-image $(SIM_IMAGE)

test: deps-test build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/build.ninja: $(ASAN_BUILD)/cmake-flags
	$(call configure,$(ASAN_BUILD)) -DCMAKE_BUILD_TYPE=Debug -DQRT_SANITIZE=ON $(CMAKE_FLAGS)

test-asan: deps-test $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# Fuzzing: a clang build of its own; each fuzzer runs FUZZ_SECONDS on a corpus
# that starts from generated seeds and grows in $(FUZZ_BUILD)/corpus. A crash
# stops the target and leaves the input in $(FUZZ_BUILD)/crashes.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 300
FUZZERS = fuzz_table_open fuzz_bind_image fuzz_prompt_store fuzz_sim_eeprom

$(FUZZ_BUILD)/build.ninja: $(FUZZ_BUILD)/cmake-flags
	$(call configure,$(FUZZ_BUILD)) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++-14 -DQRT_FUZZ=ON -DQRT_GUI=OFF $(CMAKE_FLAGS)

fuzz: deps-fuzz $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	$(FUZZ_BUILD)/fuzz/make_fuzz_seeds $(FUZZ_BUILD)/corpus
	@mkdir -p $(FUZZ_BUILD)/crashes $(FUZZ_BUILD)/logs
	@set -e; for f in $(FUZZERS); do \
	  echo "== $$f, $(FUZZ_SECONDS) s"; \
	  if ! $(FUZZ_BUILD)/fuzz/$$f -max_total_time=$(FUZZ_SECONDS) -max_len=4096 -timeout=10 \
	      -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/crashes/$$f- \
	      $(FUZZ_BUILD)/corpus/$$f > $(FUZZ_BUILD)/logs/$$f.log 2>&1; then \
	    tail -n 40 $(FUZZ_BUILD)/logs/$$f.log; echo "$$f found a crash"; exit 1; fi; \
	  grep -E 'stat::(number_of_executed_units|average_exec_per_sec)' $(FUZZ_BUILD)/logs/$$f.log; \
	done

# bench_production measures PostgreSQL on a throwaway server that pg_virtualenv
# starts around it; without pg_virtualenv it says that PostgreSQL was not measured.
bench: deps-test build
	@for b in $(BUILD)/bench/bench_*; do [ "$${b##*/}" = bench_production ] && continue; echo "== $$b"; $$b; done
	@echo "== $(BUILD)/bench/bench_production"
	@if command -v pg_virtualenv >/dev/null; then pg_virtualenv $(BUILD)/bench/bench_production; \
	 else $(BUILD)/bench/bench_production; fi

# A .deb of both programs with the desktop entry, icon and udev rules.
package: build
	cd $(BUILD) && cpack -G DEB

# The pictures of docs/screenshots, drawn by the program itself; the second run
# draws the high-resolution ones on a screen of pixel ratio 2.
screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/qrt35prog --port sim --screenshot docs/screenshots
	QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 $(BUILD)/qrt35prog --port sim --screenshot docs/screenshots

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
