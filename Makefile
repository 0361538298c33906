# The two commands of the README. Each installs what is missing first.
BUILD ?= build
JOBS  ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: deps build run test bench screenshots install package clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run.sh $(BUILD)

# Where we choose the compiler, warnings stop the build.
test: override CMAKE_FLAGS += -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
test: build
	bash scripts/with-pulse.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: build
	bash scripts/with-pulse.sh bash bench/run.sh $(BUILD)

screenshots: build
	bash scripts/screenshots.sh $(BUILD)

install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package in $(BUILD), checked by lintian (errors fail).
package: build
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error $(BUILD)/varnel_*.deb

clean:
	rm -rf $(BUILD)

# Fuzzing with clang's libFuzzer (fuzz/run.sh); not part of `make test`.
FUZZ_SECONDS ?= 60
FUZZ_BUILD   ?= build-fuzz
.PHONY: fuzz
fuzz: deps
	bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)
