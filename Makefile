# One entry point for the three builds: native Linux, 32-bit and 64-bit Windows.
#   make run    build and run the product
#   make test   build everything and run every test (native, then under Wine)
#   make bench  benchmarks of the generation step
#   make dist   the Windows program files with their bitmaps, in dist/

BUILD   ?= build
JOBS    ?= $(shell nproc)
NATIVE  := $(BUILD)/native
WIN32   := $(BUILD)/win32
WIN64   := $(BUILD)/win64
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all setup native win32 win64 run test test-native test-windows bench dist clean

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

test: all
	$(MAKE) --no-print-directory test-native test-windows

test-native:
	cd $(NATIVE) && ctest --output-on-failure

test-windows:
	sh tools/wine-tests.sh $(WIN32) $(WIN64)

run: win64
	sh tools/run.sh $(WIN64)

# The Windows program files, each with the six cell bitmaps beside it.
BITMAPS := cell.bmp cellyellow.bmp cellgreen.bmp cellblue.bmp cellpurple.bmp deadcell.bmp
dist: win32 win64
	rm -rf dist/win32 dist/win64
	mkdir -p dist/win32 dist/win64
	cd $(WIN32) && cp Tovra.scr $(BITMAPS) $(CURDIR)/dist/win32/
	cd $(WIN64) && cp Tovra.scr $(BITMAPS) $(CURDIR)/dist/win64/
	i686-w64-mingw32-strip dist/win32/Tovra.scr
	x86_64-w64-mingw32-strip dist/win64/Tovra.scr
	@ls -l dist/win32 dist/win64

bench: setup
	cmake -S . -B $(BUILD)/bench -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD)/bench -j $(JOBS) --target tovra_bench
	$(BUILD)/bench/tovra_bench --benchmark_counters_tabular=true

clean:
	rm -rf $(BUILD) dist
