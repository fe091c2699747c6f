# The user's entry points. Everything builds into build/ (GCC); fuzz targets
# build with clang into build-fuzz/, the sanitizer run into build-asan/.
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=
BUILD_TYPE ?= RelWithDebInfo

.PHONY: deps build test bench fuzz asan run format clean package check-package check-update

deps:
	./scripts/install-deps

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

test: build
	cd build && ctest --output-on-failure -j $(JOBS)

asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUOTALUME_SANITIZE=ON -DQUOTALUME_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

bench: build
	@for b in build/bench/bench_*; do echo "== $$b"; $$b; done

.PHONY: bench-load
bench-load:
	./scripts/bench-load build

# The real app, headless: idle, a wrk flood of readings, idle again.
.PHONY: bench-app
bench-app: build
	./scripts/bench-app build

fuzz: deps
	CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUOTALUME_FUZZ=ON -DQUOTALUME_GUI=OFF $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS)
	./scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

# Without DISPLAY and WAYLAND_DISPLAY the app runs headless and says so.
run: build
	build/quotalume $(ARGS)

# The bundle, its zip and the Debian package in dist/; prints the feed entry.
package: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)
	JOBS=$(JOBS) ./scripts/package build dist

# Builds the artefacts and checks that each one installs and runs.
check-package: package
	./scripts/check-package dist

# A 1.0.2 bundle updates itself to 1.0.3 from a loopback server, and rolls back.
check-update: build
	./tests/updater/self_update.sh build

format:
	git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf build build-asan build-fuzz dist

# Applies each change in tests/mutants.txt to a scratch copy in build-mutants/
# and reports the ones no test catches. Nightly, not CI: it takes a while.
.PHONY: mutants
mutants:
	JOBS=$(JOBS) ./scripts/mutants
