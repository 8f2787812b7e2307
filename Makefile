# Two commands do everything on a fresh Debian 12 machine:
#   make demo   installs what is missing, builds, and converts the project's own sample RAW
#   make test   installs, builds (plain and with sanitizers) and runs every test
BUILD      ?= build
ASAN_BUILD ?= build-asan
GUI        ?= ON
JOBS       ?= $(shell nproc)
DEMO_DIR   ?= demo-output

CMAKE_FLAGS = -DVELMORA_GUI=$(GUI)

.PHONY: all deps build build-asan demo test test-plain test-asan bench format clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)

demo: build
	@mkdir -p $(DEMO_DIR)
	@$(BUILD)/bin/make-sample-dng $(DEMO_DIR)/sample.dng
	@$(BUILD)/bin/velmoracmd -i $(DEMO_DIR)/sample.dng
	@ls -l $(DEMO_DIR)

test-plain: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

test-asan: build-asan
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:fast_unwind_on_malloc=0 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j$(JOBS)

test: test-plain test-asan

bench: build
	@bench/run

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(DEMO_DIR)
