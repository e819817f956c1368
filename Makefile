# The two set-up commands are `scripts/setup.sh demo` and `scripts/setup.sh
# test`: they install make and the packages missing, then run `make demo` or
# `make test`.
BUILD ?= build
# The same tests again with AddressSanitizer and UndefinedBehaviorSanitizer.
ASAN_BUILD ?= build-asan
# libFuzzer targets; `make fuzz` runs each for FUZZ_SECONDS.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
SANITIZER_CXX ?= clang++-14
JOBS ?= $(shell nproc)
# Where `make install` puts bin/lumitone and share/man/man1/lumitone.1.
PREFIX ?= /usr/local

# Any sanitizer report ends the program with a failure, so the test fails.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:strict_init_order=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps build-deps package-deps program build asan-build fuzz-build \
	demo install deb test fuzz memcheck clean

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
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DLUMITONE_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS)

asan-build: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=$(SANITIZER_CXX) -DLUMITONE_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)

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

test: build asan-build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

fuzz: fuzz-build
	./scripts/run_fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

memcheck: build
	./scripts/memcheck.sh $(BUILD)/lumitone

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
