# Thin wrapper over CMake. `make run` and `make test` are all a fresh machine needs.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps configure build run test sanitize fuzz bench clean

all: build

deps:
	@tools/check-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# A full comparison on the shipped example, in a scratch directory under build/.
# Builds the program alone, not the tests and benchmarks.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target gaussnet
	@tools/run-example.sh $(BUILD)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The tests under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DGAUSSNET_SANITIZE=ON -DGAUSSNET_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The input readers under libFuzzer (clang, ASan + UBSan), FUZZ_SECONDS per target.
fuzz: deps
	JOBS=$(JOBS) tools/run-fuzz.sh $(FUZZ_SECONDS) $(FUZZ_BUILD)

bench: build
	@bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
