# Front door: configure with CMake (Ninja when present) and drive the build.
#   make            build the runtime library and build/tolvex
#   make test       build and run every test
#   make run        build, make a sample tile in demo/ once, start the program there
#   make bench      benchmarks
#   make install    PREFIX=/usr/local DESTDIR=
BUILD ?= build
PREFIX ?= /usr/local
DESTDIR ?=
SANITIZE ?= 0
HEAP_STRESS ?= 0
CMAKE_FLAGS ?=

GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
CONFIGURE = cmake -S . -B $(BUILD) $(GENERATOR) \
  -DCMAKE_INSTALL_PREFIX=$(PREFIX) \
  -DTOLVEX_SANITIZE=$(if $(filter 1,$(SANITIZE)),ON,OFF) \
  -DTOLVEX_HEAP_STRESS=$(if $(filter 1,$(HEAP_STRESS)),ON,OFF) $(CMAKE_FLAGS)

.PHONY: all deps configure test run bench install clean

all: configure
	cmake --build $(BUILD) -j2

deps:
	@bash scripts/ensure-deps.sh

configure: deps
	@$(CONFIGURE) >/dev/null

test: all
	cd $(BUILD) && ctest --output-on-failure

run: all
	@bash scripts/run-demo.sh $(BUILD)/tolvex

bench: all
	@bash bench/run.sh $(BUILD)

install: all
	DESTDIR=$(DESTDIR) cmake --install $(BUILD)

clean:
	rm -rf $(BUILD)
