# The two set-up commands are `scripts/setup.sh demo` and `scripts/setup.sh
# test`: they install make and the packages missing, then run `make demo` or
# `make test`.
BUILD ?= build
# The same tests again with AddressSanitizer and UndefinedBehaviorSanitizer.
ASAN_BUILD ?= build-asan
# The same tests again with only the portable kernels built.
PORTABLE_BUILD ?= build-portable
# The tests that start threads again with ThreadSanitizer.
TSAN_BUILD ?= build-tsan
# libFuzzer targets; `make fuzz` runs each for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
SANITIZER_CXX ?= clang++-14
JOBS ?= $(shell nproc)
# ON turns compiler warnings into errors; `make test` and `make tsan` set it.
WERROR ?= OFF
# Where `make install` puts bin/lumitone and share/man/man1/lumitone.1.
PREFIX ?= /usr/local

# Any sanitizer report ends the program with a failure, so the test fails.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:strict_init_order=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
TSAN_ENV = TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
# Every test that starts worker threads, in this process or in the
# converter it runs: the synthesis, the normalisation, the thread runner,
# the end-to-end runs and the whole-run fuzz target.
TSAN_TESTS = ExactSynthesis|NormalizeExactSamples|PlainSamples|WorkerThreads|Certified|LumitoneTest|FuzzReplay[.]run_converter

.PHONY: all deps build-deps package-deps program build asan-build \
	portable-build tsan-build fuzz-build demo install deb test tsan fuzz \
	memcheck clean

all: build

deps:
	./scripts/install_deps.sh test

build-deps:
	./scripts/install_deps.sh build

package-deps:
	./scripts/install_deps.sh package

# The program alone: no tests, no fuzz replays, no benchmark.
program: build-deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DLUMITONE_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS) --target lumitone

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DLUMITONE_TESTS=ON \
		-DLUMITONE_WERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

asan-build: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=$(SANITIZER_CXX) -DLUMITONE_SANITIZE=ON \
		-DLUMITONE_WERROR=$(WERROR)
	cmake --build $(ASAN_BUILD) -j $(JOBS)

portable-build: deps
	cmake -S . -B $(PORTABLE_BUILD) -DCMAKE_BUILD_TYPE=Release \
		-DLUMITONE_VECTOR_KERNELS=OFF -DLUMITONE_WERROR=$(WERROR)
	cmake --build $(PORTABLE_BUILD) -j $(JOBS)

tsan-build: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=$(SANITIZER_CXX) -DLUMITONE_TSAN=ON \
		-DLUMITONE_WERROR=$(WERROR)
	cmake --build $(TSAN_BUILD) -j $(JOBS)

fuzz-build: deps
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=$(SANITIZER_CXX) -DLUMITONE_FUZZ=ON \
		-DLUMITONE_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

demo: program
	$(BUILD)/lumitone -i1:examples/lumitone.jpg -o:$(BUILD)/lumitone.wav -d:5
	@echo "Wrote $(CURDIR)/$(BUILD)/lumitone.wav"

install: program
	cmake --install $(BUILD) --prefix $(PREFIX)

# build/lumitone_<version>_amd64.deb
deb: program package-deps
	cd $(BUILD) && cpack -G DEB

# The builds `make test` makes, g++ and clang alike, fail on any warning.
test: WERROR = ON
test: build asan-build portable-build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(PORTABLE_BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

tsan: WERROR = ON
tsan: tsan-build
	cd $(TSAN_BUILD) && $(TSAN_ENV) ctest --output-on-failure -j $(JOBS) \
		-R '$(TSAN_TESTS)'

fuzz: fuzz-build
	./scripts/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

memcheck: build
	./scripts/memcheck.sh $(BUILD)/lumitone

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(PORTABLE_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
