# One entry point for the three builds: native Linux, 32-bit and 64-bit Windows.
#   make run    build and run the product
#   make test   build everything and run every test (native, then under Wine)
#   make bench  benchmarks of the generation step
#   make dist   the Windows program files with their bitmaps, in dist/
#   make deb    the Linux program as a Debian package, in dist/
#   make run-linux  the Linux program (XScreenSaver module) in a window

VERSION := $(shell cat VERSION)
BUILD   ?= build
JOBS    ?= $(shell nproc)
NATIVE  := $(BUILD)/native
WIN32   := $(BUILD)/win32
WIN64   := $(BUILD)/win64
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all setup native win32 win64 run run-linux test test-native test-windows test-linux bench dist deb clean

all: native win32 win64

setup:
	@sh tools/setup.sh

$(NATIVE)/CMakeCache.txt: | setup
	cmake -S . -B $(NATIVE) $(CMAKE_FLAGS)
$(WIN32)/CMakeCache.txt: | setup
	cmake -S . -B $(WIN32) $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
$(WIN64)/CMakeCache.txt: | setup
	cmake -S . -B $(WIN64) $(CMAKE_FLAGS) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake

native: setup $(NATIVE)/CMakeCache.txt
	cmake --build $(NATIVE) -j $(JOBS)
win32: setup $(WIN32)/CMakeCache.txt
	cmake --build $(WIN32) -j $(JOBS)
win64: setup $(WIN64)/CMakeCache.txt
	cmake --build $(WIN64) -j $(JOBS)

test: all dist deb
	$(MAKE) --no-print-directory test-native test-linux test-windows

test-native:
	cd $(NATIVE) && ctest --output-on-failure

# The Linux program under Xvfb, and its package run by the XScreenSaver daemon.
test-linux: deb
	sh tests/x11/window.sh $(NATIVE)/tovra
	sh tests/x11/daemon.sh $(DEB)

test-windows:
	sh tools/wine-tests.sh --dist dist $(WIN32) $(WIN64)

run: win64
	sh tools/run.sh $(WIN64)

# make run-linux ARGS="-rainbow -speed 0"
run-linux: native
	sh tools/run-linux.sh $(NATIVE) $(ARGS)

# The Windows program files, each with the six cell bitmaps beside it, the
# two archives and the installer.
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
	rm -rf dist/stage
	@ls -l dist

# The Linux program as a Debian package: the module where XScreenSaver looks
# for it, its settings description, the bitmaps and the manual page.
DEB := dist/tovra_$(VERSION)_amd64.deb
deb: native
	sh tools/deb/build-deb.sh $(NATIVE) $(VERSION) dist

clean:
	rm -rf $(BUILD) dist
