# velloway: the two commands a newcomer needs are `make demo` and `make test`.
# Each installs what is missing (Debian packages, as root), configures and builds from
# scratch when needed, then runs.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
DEMO_OUT ?= demo-out
ASAN_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
           LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
           UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all setup build build-asan demo test test-default test-asan bench peers clean build-fuzz fuzz fuzz-run fuzz-smoke check-format fresh-check deb deb-check

all: build

setup:
	./scripts/setup.sh

build: setup
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

build-asan: setup
	$(ASAN_ENV) cmake --preset asan
	$(ASAN_ENV) cmake --build --preset asan -j $(JOBS)

demo: build
	./build/default/bin/velloway demo --out $(DEMO_OUT)

test-default: build
	ctest --preset default

test-asan: build-asan
	$(ASAN_ENV) ctest --preset asan

# Unit and scenario tests, in the default build and again under the sanitizers.
test: test-default test-asan

# Fuzzing (clang and libFuzzer, installed on demand): each target runs SECONDS seconds from its
# committed seed corpus (tests/fuzz/corpus/<target>, new inputs kept in build/fuzz/corpus);
# a crash lands in build/fuzz/crashes/<target>/ — commit it under tests/fuzz/regressions/<target>/
# once fixed, and the normal test suite runs it from then on. Then the crash-safety test runs
# with CRASH_KILLS kills.
SECONDS ?= 60
CRASH_KILLS ?= 2000
FUZZ_TARGETS = settings panelists strings artwork slider simline
# The fuzz build runs its own tools (the pane's resources) under the same sanitizers.
FUZZ_ENV = $(ASAN_ENV)

build-fuzz: setup
	./scripts/setup.sh --fuzz
	cmake --preset fuzz
	$(FUZZ_ENV) cmake --build --preset fuzz -j $(JOBS) $(addprefix --target velloway-fuzz-,$(FUZZ_TARGETS))

fuzz-run: build-fuzz
	@set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p build/fuzz/corpus/$$t build/fuzz/crashes/$$t; \
	  dict=""; [ -f tests/fuzz/dict/$$t.dict ] && dict="-dict=tests/fuzz/dict/$$t.dict"; \
	  echo "== fuzz $$t, $(SECONDS) s"; \
	  $(FUZZ_ENV) ./build/fuzz/bin/velloway-fuzz-$$t build/fuzz/corpus/$$t tests/fuzz/corpus/$$t $$dict \
	    -max_total_time=$(SECONDS) -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
	    -artifact_prefix=build/fuzz/crashes/$$t/ 2> build/fuzz/$$t.log || { tail -40 build/fuzz/$$t.log; exit 1; }; \
	  grep -h "stat::number_of_executed_units" build/fuzz/$$t.log | sed "s/^/$$t: /"; \
	done

fuzz: fuzz-run
	$(MAKE) build
	VELLOWAY_CRASH_KILLS=$(CRASH_KILLS) ./build/default/bin/prefs_tests --gtest_filter='CrashSafety*'

# What CI adds to `make test`: each fuzz target briefly from its seeds, so that a regression in a
# parser is caught, and the formatting check.
fuzz-smoke:
	$(MAKE) fuzz-run SECONDS=20

check-format: setup
	./scripts/check-format.sh

# The README's two commands in a throw-away Debian 12 root (mmdebstrap), from a clone of the
# committed main branch: what a fresh machine sees. Not part of CI; run it before submitting a
# change to set-up, build or CI files. FRESH_ARGS: --keep, --root DIR, --only demo|ci.
fresh-check:
	./scripts/fresh-check.sh $(FRESH_ARGS)

# The Debian packages here (velloway, libvelloway-colorart1, libvelloway-colorart-dev,
# python3-velloway: NAME_VERSION_ARCH.deb), made by CPack from the default build's install rules
# (packaging/); deb-check unpacks them, runs them and runs lintian on them (CI).
DEBS = velloway_*.deb libvelloway-colorart*.deb python3-velloway_*.deb
deb: build
	rm -rf build/deb $(DEBS)
	cd build/default && cpack --config CPackConfig.cmake -B $(CURDIR)/build/deb
	cp build/deb/*.deb .

deb-check: deb
	./tests/install/deb-package.sh $(DEBS)

bench: build
	./build/default/bin/velloway-bench

clean:
	rm -rf build $(DEMO_OUT) $(DEBS)
