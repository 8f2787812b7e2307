# Two commands do everything on a fresh Debian 12 machine:
#   make demo   installs what is missing, builds, and converts the project's own sample RAW
#   make test   installs, builds (plain and with sanitizers) and runs every test, then each
#               fuzzing harness for a few seconds
#   make fuzz   runs each fuzzing harness for FUZZ_TIME seconds on its growing corpus
#   make test-clang builds everything with clang and runs the unit and end-to-end tests: a
#               second compiler finds what one compiler's choices hide (the order in which
#               arguments are evaluated, for one); kept out of make test for its time
#   make package builds and writes the Debian package $(BUILD)/velmoracmd_3.2-1_amd64.deb (the
#               version from packaging/changelog)
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
CLANG_BUILD ?= build-clang
FUZZ_TIME  ?= 60
GUI        ?= ON
JOBS       ?= $(shell nproc)
DEMO_DIR   ?= demo-output

CMAKE_FLAGS = -DVELMORA_GUI=$(GUI)

.PHONY: all deps build build-asan build-fuzz build-clang demo test test-plain test-asan test-fuzz \
        test-clang fuzz \
        fuzz-seeds bench format clean package

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)

# clang with libFuzzer and the sanitizers; only the harnesses and what they link are built.
build-fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_FUZZ=ON \
	    -DVELMORA_GUI=OFF -DVELMORA_TESTS=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target velmora_fuzzers

build-clang: deps
	@cmake -S . -B $(CLANG_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) \
	    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(CLANG_BUILD) -j$(JOBS)

# The package is made by the GCC build; a clang build's binaries carry clang's library path.
test-clang: build-clang
	@cd $(CLANG_BUILD) && ctest --output-on-failure -j$(JOBS) -E package_installs

package: build
	@cmake --build $(BUILD) --target package

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

# A fresh copy of the seeds each time, so the bounded run does not grow with earlier ones.
test-fuzz: build-fuzz
	@rm -rf $(FUZZ_BUILD)/fuzz-test
	@tests/fuzz/run-fuzzers.sh $(FUZZ_BUILD) 5 $(FUZZ_BUILD)/fuzz-test

test: test-plain test-asan test-fuzz

fuzz: build-fuzz
	@tests/fuzz/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_TIME) $(FUZZ_BUILD)/fuzz-runs

# Rewrites the picture seeds in tests/fuzz/corpus (by hand, when they should change).
fuzz-seeds: build-fuzz
	@cmake --build $(FUZZ_BUILD) --target make-picture-seeds
	@$(FUZZ_BUILD)/bin/make-picture-seeds tests/fuzz/corpus

bench: build
	@bench/run

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(DEMO_DIR)
