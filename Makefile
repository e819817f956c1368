# The two set-up commands: `make demo` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps build demo test clean

all: build

deps:
	./scripts/install_deps.sh

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	$(BUILD)/lumitone -i1:examples/lumitone.jpg -o:$(BUILD)/lumitone.wav -d:5
	@echo "Wrote $(CURDIR)/$(BUILD)/lumitone.wav"

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
