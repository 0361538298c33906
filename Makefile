# The two commands of the README. Each installs what is missing first.
BUILD ?= build
JOBS  ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps build run test bench screenshots clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD)

test: build
	bash scripts/with-pulse.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	bash scripts/with-pulse.sh bash bench/run.sh $(BUILD)

screenshots: build
	bash scripts/screenshots.sh $(BUILD)

clean:
	rm -rf $(BUILD)

# Fuzzing with clang's libFuzzer (fuzz/run.sh); not part of `make test`.
FUZZ_SECONDS ?= 60
FUZZ_BUILD   ?= build-fuzz
.PHONY: fuzz
fuzz: deps
	bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)
