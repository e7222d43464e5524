# Front door: configure with CMake (Ninja when present) and drive the build.
#   make            build the program: the runtime library, build/tolvex, the
#                   message library with the build tree's machine hive, and the
#                   tile generator (no tests, no benchmarks)
#   make test       build and run every test
#   make run        build, make a sample tile in demo/ once, start the program there
#   make bench      build and run the benchmarks
#   make install    PREFIX=/usr/local DESTDIR= (the prefix is given at install
#                   time: changing it rebuilds nothing)
BUILD ?= build
PREFIX ?= /usr/local
DESTDIR ?=
SANITIZE ?= 0
HEAP_STRESS ?= 0
CMAKE_FLAGS ?=

GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
CONFIGURE = cmake -S . -B $(BUILD) $(GENERATOR) \
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
	cmake --build $(BUILD) -j2 --target tolvex_tests
	cd $(BUILD) && ctest --output-on-failure

run: all
	@bash scripts/run-demo.sh $(BUILD)/tolvex

bench: all
	cmake --build $(BUILD) -j2 --target tolvex_bench
	@bash bench/run.sh $(BUILD)

install: all
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
