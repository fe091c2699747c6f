# The user's entry points. Everything builds into build/ (GCC); fuzz targets
# build with clang into build-fuzz/, the sanitizer run into build-asan/.
# Each target first installs the Debian packages its purpose needs
# (scripts/install-deps --list PURPOSE shows them), and no more.
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?=
BUILD_TYPE ?= RelWithDebInfo
PREFIX ?= $(HOME)/.local

DEPS = ./scripts/install-deps
CONFIGURE = cmake -S . -B build -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
# ARCH=arm64 makes `package` and `check-portable` cross-build and check the
# zip for 64-bit ARM in build-arm64/ (docs/arm64.md); amd64 is this machine.
# Only the command line sets it: shells and kernel builds export their own.
ARCH := $(if $(filter command line,$(origin ARCH)),$(ARCH),amd64)
ifeq ($(filter $(ARCH),amd64 arm64),)
$(error ARCH is amd64 or arm64, not $(ARCH))
endif
CONFIGURE_ARM64 = cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
	-DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DQUOTALUME_TESTS=OFF -DQUOTALUME_BENCH=OFF

.PHONY: app build test bench bench-load bench-app fuzz asan run install uninstall \
	format clean package check-package check-update check-update-before check-portable

# Only the app: what `make run` and `make install` need.
app:
	$(DEPS) run
	$(CONFIGURE) $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target quotalume man_page

build:
	$(DEPS) run test
	$(CONFIGURE) -DQUOTALUME_TESTS=ON $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

test: build
	./scripts/check-layers
	cd build && ctest --output-on-failure -j $(JOBS)

asan:
	$(DEPS) run test
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUOTALUME_SANITIZE=ON -DQUOTALUME_TESTS=ON -DQUOTALUME_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

bench:
	$(DEPS) run test bench
	$(CONFIGURE) -DQUOTALUME_TESTS=ON -DQUOTALUME_BENCH=ON $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)
	@for b in build/bench/bench_*; do echo "== $$b"; $$b; done

bench-load:
	$(DEPS) run bench
	./scripts/bench-load build

# The real app, headless: idle, a wrk flood of readings, idle again.
bench-app: app
	$(DEPS) bench
	./scripts/bench-app build

fuzz:
	$(DEPS) run fuzz
	CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUOTALUME_FUZZ=ON -DQUOTALUME_GUI=OFF $(CMAKE_FLAGS)
	cmake --build build-fuzz -j $(JOBS)
	./scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

# Without DISPLAY and WAYLAND_DISPLAY the app runs headless and says so.
run: app
	build/quotalume $(ARGS)

# install and uninstall splice PREFIX into shell commands and CMake's install
# scripts: one holding quotes, ';', '$', a backslash or a control character
# is refused before anything runs, as it would change them rather than name a
# folder. Checked on its text as given, before make expands anything in it.
# An empty or relative one would install into wherever make runs.
ifneq ($(filter install uninstall,$(MAKECMDGOALS)),)
prefix_text := $(if $(filter command line environment,$(origin PREFIX)),$(value PREFIX),$(PREFIX))
prefix_file := $(shell mktemp)
$(file >$(prefix_file),$(prefix_text))
ifneq ($(shell f=$(prefix_file); [ "$$(wc -l <$$f)" = 1 ] && [ "$$(head -c 1 <$$f)" = / ] && [ "$$(LC_ALL=C tr -d '\000-\037\042\044\047\073\134\140\177' <$$f | wc -c)" = "$$(($$(wc -c <$$f) - 1))" ] && echo ok; rm -f $$f),ok)
$(error PREFIX must be an absolute path and may not hold quotes, ';', '$$', backslashes or control characters: '$(prefix_text)')
endif
endif

# For one user by default: PREFIX/bin/quotalume, the desktop entry and the
# icon. The list of installed files is kept for `make uninstall`, which needs
# no PREFIX; installing elsewhere first removes the earlier install.
install: app
	cmake -DPREFIX="$(PREFIX)" -DBUILD=build -P cmake/LocalInstall.cmake
	@case ":$$PATH:" in *":$(PREFIX)/bin:"*) ;; \
	  *) echo "note: $(PREFIX)/bin is not on PATH; Debian's ~/.profile adds ~/.local/bin at the next login";; esac

uninstall:
	cmake -DMANIFEST=build/install_manifest.txt -P cmake/Uninstall.cmake

# The bundle, its zip and the Debian package in dist/; prints the feed entries.
# With ARCH=arm64 the bundle in dist/arm64/ and its zip, and no Debian package.
package:
ifeq ($(ARCH),arm64)
	$(DEPS) package arm64
	$(CONFIGURE_ARM64) $(CMAKE_FLAGS)
	JOBS=$(JOBS) ./scripts/package --no-deb build-arm64 dist
else
	$(DEPS) run package
	$(CONFIGURE) $(CMAKE_FLAGS)
	JOBS=$(JOBS) ./scripts/package build dist
endif

# Builds the artefacts and checks that each one installs and runs.
check-package: package
	./scripts/check-package dist

# A 1.0.2 bundle updates itself to 1.0.3 from a loopback server, sweeping what
# cut-short updates left beside it.
check-update: build
	./tests/updater/self_update.sh build

# The same from a copy built from the commit before each processor had its
# own feed member, which reads only "linux" as 1.0.2 does; built in
# build-before/.
BEFORE = 6c605daedd05549d2b991b7608fafff413f712e3
check-update-before: build
	rm -rf build-before/src && mkdir -p build-before/src
	git archive $(BEFORE) | tar -x -C build-before/src
	cmake -S build-before/src -B build-before/build -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
	  -DQUOTALUME_TESTS=OFF -DQUOTALUME_BENCH=OFF
	cmake --build build-before/build -j $(JOBS) --target quotalume
	./tests/updater/self_update.sh build build-before/build

# The zip on minimal Debian 12 and 13 roots holding only what every desktop
# has: it starts, renders Korean, serves the bridge, shows its tray item on X
# and updates itself. The roots are made once, in build/portable/. As root.
# With ARCH=arm64, the ARM zip on arm64 roots in build-arm64/portable/, run
# under the emulator.
PORTABLE_SUITES ?= bookworm trixie
check-portable: package
	$(DEPS) portable
ifeq ($(ARCH),arm64)
	./scripts/check-portable --arch arm64 build-arm64 dist $(PORTABLE_SUITES)
else
	./scripts/check-portable build dist $(PORTABLE_SUITES)
endif

format:
	$(DEPS) test
	git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf build build-arm64 build-before build-asan build-fuzz build-mutants dist

# Every tray host the app is tried on, each with its own display, session bus
# and network; checks over D-Bus and X, pictures in build/screenshots/<host>/.
.PHONY: desktops
desktops:
	$(DEPS) run test desktops
	cmake -S . -B build -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS) --target quotalume
	QUOTALUME_BIN=$(CURDIR)/build/quotalume QUOTALUME_SCREENSHOTS=$(CURDIR)/build/screenshots \
	  python3 tests/e2e/tray_host.py $(HOSTS)

# Applies each change in tests/mutants.txt to a scratch copy in build-mutants/
# and reports the ones no test catches. Nightly, not CI: it takes a while.
.PHONY: mutants
mutants:
	$(DEPS) run test
	JOBS=$(JOBS) ./scripts/mutants
