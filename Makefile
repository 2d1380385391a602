# Varnholt: `make run` and `make test` set up everything on a fresh Debian
# machine (as root), build, and run.
SHELL := /bin/bash
ROOT := $(CURDIR)
# The prefix `make run` opens the program in: the project's own, or one named
# on make's command line (make run WINEPREFIX=...); a WINEPREFIX exported in
# the shell is not taken.
export WINEPREFIX := $(ROOT)/.wineprefix
# The tests and benchmarks run in a prefix of their own, made when missing:
# they repair what they find, and never touch the one above or a user's.
TEST_PREFIX := $(ROOT)/build/windows/test-prefix
export WINEDEBUG ?= -all
export WINEDLLOVERRIDES ?= mscoree,mshtml=
export WINEARCH ?= win64

PACKAGES := cmake make g++ gcc googletest \
	g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev \
	wine wine64 xvfb xauth imagemagick locales librsvg2-bin fonts-dejavu-core clang-14 libclang-rt-14-dev \
	nlohmann-json3-dev msitools wixl osslsigncode openssl

# Without a display, Wine runs inside a private X server.
XRUN := $(if $(DISPLAY),,xvfb-run -a -s "-screen 0 1280x1024x24")

.PHONY: all setup prefix test-prefix native windows fuzz-build dist release test check-layout test-native test-fuzz test-windows fuzz run bench clean

all: native windows

setup:
	@missing=$$(for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  export DEBIAN_FRONTEND=noninteractive; \
	  apt-get install -y -q --no-install-recommends $$missing >/dev/null 2>&1 || \
	  { apt-get update -q >/dev/null && apt-get install -y -q --no-install-recommends $$missing >/dev/null; }; \
	fi

# A Wine prefix made when it is missing: $(call make-prefix,folder)
make-prefix = if [ ! -f "$(1)/system.reg" ]; then \
	  echo "Creating the Wine prefix $(1)"; \
	  WINEPREFIX="$(1)" $(XRUN) bash -c 'wineboot -i >/dev/null 2>&1; wineserver -w'; \
	fi

prefix: setup
	@$(call make-prefix,$(WINEPREFIX))

test-prefix: setup
	@$(call make-prefix,$(TEST_PREFIX))

native: setup
	@cmake --preset native >/dev/null
	@cmake --build --preset native -- --no-print-directory -s

windows: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -- --no-print-directory -s

# The fuzz targets (clang's libFuzzer) over the portable logic.
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := $(patsubst fuzz/%/corpus,%,$(wildcard fuzz/*/corpus))

fuzz-build: setup
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -- --no-print-directory -s

# Only what the program needs: no tests, benchmarks or tools.
dist: setup
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows --target varnholt varnholt-cli -- --no-print-directory -s
	@mkdir -p dist
	@cp build/windows/varnholt.exe build/windows/varnholt-cli.exe dist/
	@cp build/windows/app/art/bgmain.dll build/windows/app/art/bgother.dll build/windows/app/art/bgscan.dll dist/
	@[ -f dist/ro.ini ] || cp app/ro.ini dist/

# The zip and the MSI a Windows user downloads, named with the project's
# version; the winget manifest in docs/winget/ takes the MSI's hash. Both
# programs are signed before they are packed, then the MSI, when a
# certificate is given: VH_SIGN_PKCS12 and VH_SIGN_PASSWORD_FILE, or
# VH_SIGN_CERT and VH_SIGN_KEY; VH_SIGN_TIMESTAMP, a time-stamp server.
release: setup
	@cmake --preset windows >/dev/null
	@rm -rf build/windows/shipped
	@[ -n "$$VH_SIGN_PKCS12$$VH_SIGN_CERT" ] || \
	  echo "Not signed: no certificate given (VH_SIGN_PKCS12, or VH_SIGN_CERT and VH_SIGN_KEY)."
	@cmake --build --preset windows -- --no-print-directory -s
	@cp build/windows/winget/*.yaml docs/winget/
	@ls build/windows/varnholt-*-win64.zip build/windows/varnholt-*-win64.msi

test-native: native
	@ctest --preset native

test-windows: windows test-prefix
	@WINEPREFIX="$(TEST_PREFIX)" $(XRUN) tools/under-wine ctest --preset windows

check-layout:
	@tools/check-layout

# Each fuzz target once over its seed corpus: no fuzzing here.
test-fuzz: fuzz-build
	@ctest --preset fuzz

test: check-layout test-native test-fuzz test-windows

# Each target fuzzes for FUZZ_SECONDS, growing its own corpus under
# build/fuzz/runs/ (the seed corpus in fuzz/ is left as it is); an input that
# breaks a rule is kept in that run's crashes folder.
fuzz: fuzz-build
	@failed=0; for t in $(FUZZ_TARGETS); do \
	  run=build/fuzz/runs/$$t; rm -rf $$run/crashes; mkdir -p $$run/corpus $$run/crashes; \
	  cp -n fuzz/$$t/corpus/* $$run/corpus/ 2>/dev/null; \
	  build/fuzz/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 -print_final_stats=1 \
	    -artifact_prefix=$$run/crashes/ $$run/corpus >$$run/log 2>&1; \
	  executions=$$(sed -n 's/^stat::number_of_executed_units: //p' $$run/log); \
	  crashes=$$(ls $$run/crashes | wc -l); \
	  echo "$$t: $${executions:-0} executions, $$crashes crashes"; \
	  [ $$crashes -eq 0 ] || { failed=1; ls -d $$run/crashes/*; }; \
	done; exit $$failed

run: dist prefix
	@$(XRUN) wine dist/varnholt.exe

bench: windows test-prefix
	@WINEPREFIX="$(TEST_PREFIX)" $(XRUN) tools/under-wine $(MAKE) --no-print-directory -C build/windows run-benchmarks

clean:
	rm -rf build dist
