# velloway: the two commands a newcomer needs are `make demo` and `make test`.
# Each installs what is missing (Debian packages, as root), configures and builds from
# scratch when needed, then runs.

JOBS ?= $(shell nproc 2>/dev/null || echo 2)
DEMO_OUT ?= demo-out
ASAN_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
           LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
           UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all setup build build-asan demo test test-default test-asan bench peers clean

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

bench: build
	./build/default/bin/velloway-bench

clean:
	rm -rf build $(DEMO_OUT)
