# The two set-up commands: `make demo` and `make test`.
BUILD ?= build
# The same tests again with AddressSanitizer and UndefinedBehaviorSanitizer.
ASAN_BUILD ?= build-asan
# The same tests again with only the portable kernels built.
PORTABLE_BUILD ?= build-portable
# libFuzzer targets; `make fuzz` runs each for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
SANITIZER_CXX ?= clang++-14
JOBS ?= $(shell nproc)

# Any sanitizer report ends the program with a failure, so the test fails.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:strict_init_order=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps build asan-build portable-build fuzz-build demo test fuzz \
	memcheck clean

all: build

deps:
	./scripts/install_deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

asan-build: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=$(SANITIZER_CXX) -DLUMITONE_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)

portable-build: deps
	cmake -S . -B $(PORTABLE_BUILD) -DCMAKE_BUILD_TYPE=Release \
		-DLUMITONE_VECTOR_KERNELS=OFF
	cmake --build $(PORTABLE_BUILD) -j $(JOBS)

fuzz-build: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=$(SANITIZER_CXX) -DLUMITONE_FUZZ=ON \
		-DLUMITONE_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

demo: build
	$(BUILD)/lumitone -i1:examples/lumitone.jpg -o:$(BUILD)/lumitone.wav -d:5
	@echo "Wrote $(CURDIR)/$(BUILD)/lumitone.wav"

test: build asan-build portable-build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(PORTABLE_BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

fuzz: fuzz-build
	./scripts/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

memcheck: build
	./scripts/memcheck.sh $(BUILD)/lumitone

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(PORTABLE_BUILD) $(FUZZ_BUILD)
