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

.PHONY: app build test bench bench-load bench-app fuzz asan run install uninstall \
	format clean package check-package check-update check-portable

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
ifneq ($(filter install uninstall,$(MAKECMDGOALS)),)
prefix_text := $(if $(filter command line environment,$(origin PREFIX)),$(value PREFIX),$(PREFIX))
prefix_file := $(shell mktemp)
$(file >$(prefix_file),$(prefix_text))
ifneq ($(shell f=$(prefix_file); [ "$$(wc -l <$$f)" = 1 ] && [ "$$(LC_ALL=C tr -d '\000-\037\042\044\047\073\134\140\177' <$$f | wc -c)" = "$$(($$(wc -c <$$f) - 1))" ] && echo ok; rm -f $$f),ok)
$(error PREFIX may not hold quotes, ';', '$$', backslashes or control characters: $(prefix_text))
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

# The bundle, its zip and the Debian package in dist/; prints the feed entry.
package:
	$(DEPS) run package
	$(CONFIGURE) $(CMAKE_FLAGS)
	JOBS=$(JOBS) ./scripts/package build dist

# Builds the artefacts and checks that each one installs and runs.
check-package: package
	./scripts/check-package dist

# A 1.0.2 bundle updates itself to 1.0.3 from a loopback server, sweeping what
# cut-short updates left beside it.
check-update: build
	./tests/updater/self_update.sh build

# The zip on minimal Debian 12 and 13 roots holding only what every desktop
# has: it starts, renders Korean, serves the bridge, shows its tray item on X
# and updates itself. The roots are made once, in build/portable/. As root.
PORTABLE_SUITES ?= bookworm trixie
check-portable: package
	$(DEPS) portable
	./scripts/check-portable build dist $(PORTABLE_SUITES)

format:
	$(DEPS) test
	git ls-files '*.cpp' '*.hpp' | xargs clang-format -i

clean:
	rm -rf build build-asan build-fuzz build-mutants dist

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
