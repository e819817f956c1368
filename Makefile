# The two set-up commands: `make demo` and `make test`.
BUILD ?= build
# The same tests again with AddressSanitizer and UndefinedBehaviorSanitizer.
ASAN_BUILD ?= build-asan
# libFuzzer targets; `make fuzz` runs each for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
SANITIZER_CXX ?= clang++-14
JOBS ?= $(shell nproc)
# ON turns compiler warnings into errors; `make test` sets it.
WERROR ?= OFF

# Any sanitizer report ends the program with a failure, so the test fails.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:strict_init_order=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps build asan-build fuzz-build demo test fuzz memcheck clean

all: build

deps:
	./scripts/install_deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DLUMITONE_WERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

asan-build: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=$(SANITIZER_CXX) -DLUMITONE_SANITIZE=ON \
		-DLUMITONE_WERROR=$(WERROR)
	cmake --build $(ASAN_BUILD) -j $(JOBS)

fuzz-build: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=$(SANITIZER_CXX) -DLUMITONE_FUZZ=ON \
		-DLUMITONE_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

demo: build
	$(BUILD)/lumitone -i1:examples/lumitone.jpg -o:$(BUILD)/lumitone.wav -d:5
	@echo "Wrote $(CURDIR)/$(BUILD)/lumitone.wav"

# The builds `make test` makes, g++ and clang alike, fail on any warning.
test: WERROR = ON
test: build asan-build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

fuzz: fuzz-build
	./scripts/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

memcheck: build
	./scripts/memcheck.sh $(BUILD)/lumitone

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
