# One entry point for the three builds: native Linux, 32-bit and 64-bit Windows.
#   make run    build and run the product
#   make test   build everything and run every test (native, sanitized, then under Wine),
#               ending with one line per part and "N passed, N failed"
#               (TOVRA_REQUIRE_ALL=1: a part that cannot run here fails the run too)
#   make fuzz   run each fuzz target for FUZZ_SECONDS (60) on its corpus
#   make bench  build and run the benchmarks of the step and the tick, then
#               tovra-life against bgolly (benchmark options through BENCH_ARGS,
#               e.g. BENCH_ARGS=--benchmark_filter=Tick)
#   make dist   the Windows program files with their bitmaps, in dist/
#   make deb    the Linux program as a Debian package and its source package, in dist/
#   make run-linux  the Linux program (XScreenSaver module) in a window, or tovra-wayland
#                   in a Wayland session
#   make run-wayland  tovra-wayland on the Wayland session, or on a private headless sway
#   make test-wayland  tovra-wayland on a headless sway of its own

VERSION := $(shell cat VERSION)
BUILD   ?= build
JOBS    ?= $(shell nproc)
NATIVE  := $(BUILD)/native
WIN32   := $(BUILD)/win32
WIN64   := $(BUILD)/win64
ASAN    := $(BUILD)/asan
FUZZ    := $(BUILD)/fuzz
CLANG   := -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
FUZZ_SECONDS ?= 60
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all setup native win32 win64 asan run run-linux run-wayland test test-native test-asan test-linux test-wayland test-windows fuzz bench dist deb clean

all: native win32 win64

setup:
	@sh tools/setup.sh

$(NATIVE)/CMakeCache.txt: | setup
	cmake -S . -B $(NATIVE) $(CMAKE_FLAGS)
$(WIN32)/CMakeCache.txt: | setup
	cmake -S . -B $(WIN32) $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
$(WIN64)/CMakeCache.txt: | setup
	cmake -S . -B $(WIN64) $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
$(ASAN)/CMakeCache.txt: | setup
	cmake -S . -B $(ASAN) $(CMAKE_FLAGS) $(CLANG) -DTOVRA_SANITIZE=ON
$(FUZZ)/CMakeCache.txt: | setup
	cmake -S . -B $(FUZZ) $(CMAKE_FLAGS) $(CLANG) -DTOVRA_FUZZ=ON

native: setup $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS)
win32: setup $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS)
win64: setup $(WIN64)/CMakeCache.txt
	cmake --build $(WIN64) -j $(JOBS)
asan: setup $(ASAN)/CMakeCache.txt
	cmake --build $(ASAN) -j $(JOBS)

# Every part runs, whatever failed before it; the summary at the end says
# which passed, which failed and which could not run on this host.
test: all asan dist deb
	@sh tools/test-all.sh "$(MAKE) --no-print-directory" $(WIN32) $(WIN64) dist

# Each test program gets at most CTEST_SECONDS: a hang fails, it does not wait.
CTEST_SECONDS ?= 1200
test-native: native
	sh tools/check-layers.sh
	cd $(NATIVE) && ctest --output-on-failure --timeout $(CTEST_SECONDS)

# The Linux program's package: lintian finds nothing in the binary and source
# packages that is not overridden, blhc finds every hardening flag in the
# build log, autopkgtest runs debian/tests on the installed package (on this
# machine: it installs the package and, last, removes it; its apt fetches
# only the architectures that have packages installed), the XScreenSaver
# daemon runs it, and the CMake install rules put the same files in place.
test-linux: deb
	lintian --fail-on error,warning,info,pedantic -EvIL +pedantic \
	  dist/tovra_$(VERSION)_amd64.changes dist/tovra_$(VERSION)_source.changes
	blhc --bindnow $(DEB_DIR)/build.log
	rm -rf $(BUILD)/autopkgtest
	sh tools/apt-used-architectures.sh > $(BUILD)/apt-architectures.conf
	APT_CONFIG=$(abspath $(BUILD))/apt-architectures.conf \
	flock -w 900 /tmp/tovra-daemon-test.lock autopkgtest --no-built-binaries --ignore-restrictions=breaks-testbed \
	  -o $(BUILD)/autopkgtest $(DEB) $(DEB_TREE)/ -- null
	sh tests/x11/daemon.sh $(DEB)
	sh tests/x11/install.sh $(DEB)

# tovra-wayland on a headless sway of its own (as nobody), its outputs read
# back with grim.
test-wayland: native
	sh tests/wayland/wayland.sh $(NATIVE)

# The native tests and tovra-life under AddressSanitizer and
# UndefinedBehaviorSanitizer. Every report also goes to a file, so that one
# from a program whose exit a test script does not look at still fails the run.
SANITIZER_LOG = $(abspath $(ASAN))/reports/report
test-asan: asan
	rm -rf $(ASAN)/reports && mkdir -p $(ASAN)/reports
	cd $(ASAN) && \
	  ASAN_OPTIONS=log_path=$(SANITIZER_LOG):detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1 \
	  UBSAN_OPTIONS=log_path=$(SANITIZER_LOG):print_stacktrace=1 \
	  ctest --output-on-failure --timeout $(CTEST_SECONDS); rc=$$?; \
	  chmod 1777 reports; cd $(CURDIR) && \
	  ASAN_OPTIONS=log_path=$(SANITIZER_LOG):detect_stack_use_after_return=1 \
	  UBSAN_OPTIONS=log_path=$(SANITIZER_LOG):print_stacktrace=1 \
	  sh tests/wayland/wayland.sh $(ASAN) || rc=1; cd $(ASAN); \
	  if [ -n "$$(ls reports)" ]; then cat reports/*; echo "test-asan: sanitizer reports above"; exit 1; fi; \
	  exit $$rc

# Each fuzz target for FUZZ_SECONDS on the seed corpus in tests/fuzz/<name>/
# (read only) and on what it found before in $(FUZZ)/corpus/<name>/; an input
# that fails is kept in $(FUZZ)/crashes/.
FUZZERS := rle conversions
fuzz: setup $(FUZZ)/CMakeCache.txt
	cmake --build $(FUZZ) -j $(JOBS) --target $(FUZZERS:%=tovra_fuzz_%)
	mkdir -p $(FUZZ)/crashes
	for f in $(FUZZERS); do \
	  mkdir -p $(FUZZ)/corpus/$$f && \
	  $(FUZZ)/tovra_fuzz_$$f -max_total_time=$(FUZZ_SECONDS) -timeout=10 -print_final_stats=1 \
	    -artifact_prefix=$(FUZZ)/crashes/$$f- $$([ -f tests/fuzz/$$f.dict ] && echo -dict=tests/fuzz/$$f.dict) \
	    $(FUZZ)/corpus/$$f tests/fuzz/$$f || exit 1; \
	done

test-windows: dist
	sh tools/wine-tests.sh --dist dist $(WIN32) $(WIN64)

bench: native
	$(NATIVE)/tovra_bench $(BENCH_ARGS)
	bash tools/bench-vs-golly.sh $(NATIVE)/tovra-life

run: win64
	sh tools/run.sh $(WIN64)

# make run-linux ARGS="-rainbow -speed 0"
run-linux: native
	sh tools/run-linux.sh $(NATIVE) $(ARGS)

# make run-wayland ARGS="-layer overlay -exit-on-input"
run-wayland: native
	sh tools/run-wayland.sh $(NATIVE) $(ARGS)

# The Windows program files, each with the six cell bitmaps beside it, the
# two archives, the installer and its winget manifests (packaging/winget,
# filled in with the version, the installer's address under WINGET_URL and
# its SHA-256).
WINGET_URL ?= https://tovra.org/download
WINGET := dist/winget/manifests/t/Tovra/Tovra/$(VERSION)
BITMAPS := cell.bmp cellyellow.bmp cellgreen.bmp cellblue.bmp cellpurple.bmp deadcell.bmp
dist: win32 win64
	rm -rf dist
	mkdir -p dist/win32 dist/win64 dist/stage
	cd $(WIN32) && cp Tovra.scr $(BITMAPS) $(CURDIR)/dist/win32/
	cd $(WIN64) && cp Tovra.scr $(BITMAPS) $(CURDIR)/dist/win64/
	i686-w64-mingw32-strip dist/win32/Tovra.scr
	x86_64-w64-mingw32-strip dist/win64/Tovra.scr
	sed 's/@VERSION@/$(VERSION)/' tools/installer/README.txt | sed 's/$$/\r/' > dist/stage/README.txt
	for arch in win32 win64; do \
	  rm -rf dist/stage/Tovra-$(VERSION)-$$arch && mkdir -p dist/stage/Tovra-$(VERSION)-$$arch && \
	  cp dist/$$arch/* dist/stage/README.txt dist/stage/Tovra-$(VERSION)-$$arch/ && \
	  (cd dist/stage && zip -q -X -r ../Tovra-$(VERSION)-$$arch.zip Tovra-$(VERSION)-$$arch) || exit 1; \
	done
	makensis -V2 -DVERSION=$(VERSION) -DWIN32DIR=$(CURDIR)/dist/win32 -DWIN64DIR=$(CURDIR)/dist/win64 \
	  -DARTDIR=$(CURDIR)/$(WIN64) -DREADMEFILE=$(CURDIR)/dist/stage/README.txt \
	  -DOUTFILE=$(CURDIR)/dist/Tovra-$(VERSION)-setup.exe tools/installer/Tovra.nsi
	mkdir -p $(WINGET)
	sha=$$(sha256sum dist/Tovra-$(VERSION)-setup.exe | cut -d' ' -f1 | tr a-f A-F) && \
	for f in packaging/winget/*.yaml; do \
	  sed "s|@VERSION@|$(VERSION)|g; s|@URL@|$(WINGET_URL)/Tovra-$(VERSION)-setup.exe|g; s|@SHA256@|$$sha|g" $$f > $(WINGET)/$${f##*/} || exit 1; \
	done
	rm -rf dist/stage
	@ls -l dist

# The Linux program as a Debian package, built by dpkg-buildpackage (debian/)
# in a copy of the source tree, with its source package beside it; the
# binary build's log is kept for blhc.
DEB_DIR  := $(BUILD)/deb
DEB_TREE := $(DEB_DIR)/tovra-$(VERSION)
DEB := dist/tovra_$(VERSION)_amd64.deb
deb: setup
	@[ "$$(dpkg-parsechangelog -S Version)" = "$(VERSION)" ] || \
	  { echo "make deb: debian/changelog's last entry is $$(dpkg-parsechangelog -S Version), VERSION says $(VERSION)" >&2; exit 1; }
	rm -rf $(DEB_DIR) && mkdir -p $(DEB_TREE) dist
	if [ -d .git ]; then git ls-files -co --exclude-standard -z | xargs -0 sh -c 'for f; do [ -e "$$f" ] && printf "%s\0" "$$f"; done' - ; \
	else find . -path ./build -prune -o -path ./dist -prune -o -type f -print0; fi | \
	  tar --null -T - -cf - | tar -xf - -C $(DEB_TREE)
	cd $(DEB_TREE) && DEB_BUILD_OPTIONS="parallel=$(JOBS) $$DEB_BUILD_OPTIONS" dpkg-buildpackage -us -uc -b > ../build.log 2>&1 || \
	  { tail -30 $(DEB_DIR)/build.log >&2; exit 1; }
	cd $(DEB_TREE) && dpkg-buildpackage -us -uc -S > ../source.log 2>&1 || \
	  { tail -30 $(DEB_DIR)/source.log >&2; exit 1; }
	cd $(DEB_DIR) && cp tovra*_$(VERSION)* $(CURDIR)/dist/
	@ls dist/tovra*_$(VERSION)*

clean:
	rm -rf $(BUILD) dist
