# Varnholt: `make run` and `make test` set up everything on a fresh Debian
# machine (as root), build, and run.
SHELL := /bin/bash
ROOT := $(CURDIR)
export WINEPREFIX ?= $(ROOT)/.wineprefix
export WINEDEBUG ?= -all
export WINEDLLOVERRIDES ?= mscoree,mshtml=
export WINEARCH ?= win64

PACKAGES := cmake make g++ gcc googletest \
	g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev \
	wine wine64 xvfb xauth imagemagick locales librsvg2-bin fonts-dejavu-core

# Without a display, Wine runs inside a private X server.
XRUN := $(if $(DISPLAY),,xvfb-run -a -s "-screen 0 1280x1024x24")

.PHONY: all setup prefix native windows dist release test check-layout test-native test-windows run bench clean

all: native windows

setup:
	@missing=$$(for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  export DEBIAN_FRONTEND=noninteractive; \
	  apt-get install -y -q --no-install-recommends $$missing >/dev/null 2>&1 || \
	  { apt-get update -q >/dev/null && apt-get install -y -q --no-install-recommends $$missing >/dev/null; }; \
	fi

prefix: setup
	@if [ ! -f "$(WINEPREFIX)/system.reg" ]; then \
	  echo "Creating the Wine prefix $(WINEPREFIX)"; \
	  $(XRUN) bash -c 'wineboot -i >/dev/null 2>&1; wineserver -w'; \
	fi

native: setup
	@cmake --preset native >/dev/null
	@cmake --build --preset native -- --no-print-directory -s

windows: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -- --no-print-directory -s

dist: windows
	@mkdir -p dist
	@cp build/windows/varnholt.exe dist/
	@cp build/windows/app/art/bgmain.dll build/windows/app/art/bgother.dll build/windows/app/art/bgscan.dll dist/
	@[ -f dist/ro.ini ] || cp app/ro.ini dist/

# The zip a Windows user downloads, named with the project's version.
release: windows
	@ls build/windows/varnholt-*-win64.zip

test-native: native
	@ctest --preset native

test-windows: windows prefix
	@$(XRUN) tools/under-wine ctest --preset windows

check-layout:
	@tools/check-layout

test: check-layout test-native test-windows

run: dist prefix
	@$(XRUN) wine dist/varnholt.exe

bench: windows prefix
	@$(XRUN) tools/under-wine $(MAKE) --no-print-directory -C build/windows run-benchmarks

clean:
	rm -rf build dist
