# Kivra Tesselwick: `make demo` runs the booth with the test camera, `make test` runs every test,
# `make package` builds the Debian package.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: all deps configure build test demo bench soak asan-test fuzz package clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

demo: build
	$(BUILD)/bin/corvantis --test-camera --demo-content

# The Debian package, $(BUILD)/kivra-tesselwick_VERSION_ARCH.deb (install: apt-get install ./THAT.deb).
package: build
	cd $(BUILD) && cpack -G DEB

bench: build
	@for b in $(BUILD)/bin/*_bench; do echo "== $$b"; $$b; done

# 1000 shots through the booth's self-test; memory may not grow per shot (not part of `make test`).
soak: build
	CORVANTIS=$(BUILD)/bin/corvantis bash scripts/soak.sh $(or $(SHOTS),1000)

asan-test: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DKIVRA_SANITIZE=ON -DKIVRA_BUILD_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS)

# libFuzzer build of the image decoders (clang) and a short run of each over the damaged-file corpus.
FUZZ_BUILD ?= build-fuzz
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DKIVRA_BUILD_FUZZ=ON -DKIVRA_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz-smoke

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
