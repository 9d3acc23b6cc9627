# The two commands: `make run` and `make test`. Both install what is missing first.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

# Debian packages the build, the tests and the desktop program need.
PACKAGES := cmake make g++ libgtest-dev qt6-base-dev fonts-dejavu-core

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps build test bench run clean

deps:
	@missing=$$(for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing missing packages:" $$missing; \
	  $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y $$missing; \
	fi

build: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The desktop calculator where there is a display, else the start values' calculation
# on the command line.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then $(BUILD_DIR)/orvanta; \
	else echo "No display: the start values' calculation on the command line."; $(BUILD_DIR)/orvanta-cli; fi

# The solver's phases and memory, fast against the reference loops.
bench: build
	$(BUILD_DIR)/bench/orvanta_bench

clean:
	rm -rf $(BUILD_DIR)
