# The two commands: `make run` and `make test`. Both install what is missing first.
SHELL := /bin/bash
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
# WERROR=ON (CI) makes every warning an error; the checking builds always do.
WERROR ?= OFF

# Debian packages the build, the tests, the benchmark and the desktop program need.
PACKAGES := cmake make g++ pkg-config libgtest-dev qt6-base-dev qt6-charts-dev qt6-svg-dev fonts-dejavu-core valgrind \
  libopenblas-dev liblapacke-dev libeigen3-dev nlohmann-json3-dev \
  clang-14 libclang-rt-14-dev clang-format-14

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build test format-check test-asan test-tsan fuzz-build fuzz-check fuzz bench run clean

deps:
	@missing=$$(for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages:" $$missing; \
	  $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release -DORVANTA_WERROR=$(WERROR)
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Every test: the plain build, then the sanitizer builds and the fuzz targets' check.
test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory format-check test-asan test-tsan fuzz-check

# The tree must be formatted by its .clang-format.
format-check: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format-14 --dry-run --Werror

# Core, validation and command-line tests under AddressSanitizer and
# UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(BUILD_DIR)-asan -DCMAKE_BUILD_TYPE=Release -DORVANTA_SANITIZE=address -DORVANTA_WERROR=ON \
	  -DORVANTA_GUI=OFF
	cmake --build $(BUILD_DIR)-asan -j $(JOBS)
	cd $(BUILD_DIR)-asan && ctest --output-on-failure -j $(JOBS)

# The threaded code under ThreadSanitizer: the desktop program's threading tests (worker
# requests, plot window, closing during a calculation), and the core's equality tests
# and threaded solves (the line types' fills of both halves among them) with the thread
# count forced to 3 (ORVANTA_THREADS), so that they run on several threads whatever the
# machine. Qt and OpenBLAS are not instrumented:
# what happens inside Qt's libraries is left to the suppressions in tests/tsan.supp, and
# OpenBLAS factorises on the calling thread (its own thread hand-offs are invisible to
# the checker, which would see our filled matrix read by a thread it never met).
TSAN_TESTS := gui_tests|app_tests|line_page_tests|line_frequency_tests|line_field|close_while|oracle_equality|inverse_bounds_equality|solver_equality|assembly_equality|solver_test|accurate_physics|line_physics
test-tsan: deps
	cmake -S . -B $(BUILD_DIR)-tsan -DCMAKE_BUILD_TYPE=Release -DORVANTA_SANITIZE=thread -DORVANTA_WERROR=ON
	cmake --build $(BUILD_DIR)-tsan -j $(JOBS) --target orvanta_gui_tests orvanta_app_tests orvanta_line_page_tests \
	  orvanta_line_frequency_tests orvanta_close_test \
	  orvanta_close_study_test orvanta_exact_tests orvanta_physics_tests
	cd $(BUILD_DIR)-tsan && QT_QPA_PLATFORM=offscreen ORVANTA_THREADS=3 OPENBLAS_NUM_THREADS=1 \
	  TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	  ctest --output-on-failure -j $(JOBS) -R '$(TSAN_TESTS)'

# The libFuzzer targets (clang 14); each runs over its committed seed corpus and then
# for a fixed number of new inputs. New inputs go to a scratch folder, never into the
# committed corpus.
FUZZ_TARGETS := inputs parse mesh
FUZZ_RUNS_inputs := 10000
FUZZ_RUNS_parse := 300000
FUZZ_RUNS_mesh := 300000
FUZZ_SECONDS ?= 300
fuzz-build: deps
	cmake -S . -B $(BUILD_DIR)-fuzz -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=clang++-14 \
	  -DORVANTA_FUZZ=ON -DORVANTA_WERROR=ON -DORVANTA_GUI=OFF
	cmake --build $(BUILD_DIR)-fuzz -j $(JOBS)

fuzz-check: fuzz-build
	@set -e; $(foreach t,$(FUZZ_TARGETS),rm -rf $(BUILD_DIR)-fuzz/scratch-$(t); \
	  mkdir -p $(BUILD_DIR)-fuzz/scratch-$(t); echo "fuzz target $(t):"; \
	  $(BUILD_DIR)-fuzz/tests/fuzz/$(t)_fuzz -seed=1 -runs=$(FUZZ_RUNS_$(t)) -timeout=10 \
	  -artifact_prefix=$(BUILD_DIR)-fuzz/ -print_final_stats=1 \
	  $(BUILD_DIR)-fuzz/scratch-$(t) tests/fuzz/corpus/$(t) 2>&1 \
	  | grep -E '^(Done|stat::number_of_executed_units|==|SUMMARY|contract|mesh invariant)'; \
	  test $${PIPESTATUS[0]} -eq 0;)

# Longer fuzzing: each target for FUZZ_SECONDS, keeping what it finds in build-fuzz.
fuzz: fuzz-build
	@set -e; $(foreach t,$(FUZZ_TARGETS),mkdir -p $(BUILD_DIR)-fuzz/found-$(t); \
	  $(BUILD_DIR)-fuzz/tests/fuzz/$(t)_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 \
	  -artifact_prefix=$(BUILD_DIR)-fuzz/ -print_final_stats=1 \
	  $(BUILD_DIR)-fuzz/found-$(t) tests/fuzz/corpus/$(t);)

# The desktop calculator where there is a display, else the start values' calculation
# on the command line.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(BUILD_DIR)/orvanta; \
	else echo "No display: the start values' calculation on the command line."; $(BUILD_DIR)/orvanta-cli; fi

# The solver's phases and memory, fast against the reference loops; the inversion against
# the column sweep it replaced and OpenBLAS.
bench: build
	$(BUILD_DIR)/bench/orvanta_bench
	$(BUILD_DIR)/bench/orvanta_accurate_bench
	$(BUILD_DIR)/bench/orvanta_validation_table
	$(BUILD_DIR)/bench/orvanta_line_bench $(BUILD_DIR)/orvanta-cli
	$(BUILD_DIR)/bench/orvanta_loss_bench $(BUILD_DIR)/orvanta-cli

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-asan $(BUILD_DIR)-tsan $(BUILD_DIR)-fuzz
