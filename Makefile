# make demo : set up, build and solve the example model
# make test : set up, build and run every test on CPython 3.8 and the default python3;
#   every input they draw comes from fixed seeds, so a run's verdict does not depend on the day
# make fuzz : the API fuzz test's hostile calls from fresh random seeds (FUZZ_SECONDS)
# make fuzz-cbc : the differential test of the solve paths on thousands of random MIPs
# make check-memory : the same tests on the default python3 under AddressSanitizer and
#   UndefinedBehaviorSanitizer, and the library's C++ tests likewise, then the C++ tests
#   again under ThreadSanitizer
# make lint : make format-check, the module's rules (tools/check_module_rules.sh), ruff over
#   the Python tests and benchmarks, then make tidy
# make format-check : every tracked C and C++ file as clang-format would leave it
# make tidy : clang-tidy (.clang-tidy) over the library, the module and the C++ tests
# Every build makes compiler warnings errors (DIDAZODA_WERROR).
SHELL := /bin/bash
.ONESHELL:
.SHELLFLAGS := -eu -o pipefail -c

PYTHON3  ?= python3
# pyenv's shim answers `command -v` even when 3.8 is not selected: ask the interpreter itself.
PYTHON38 ?= $(firstword $(foreach p,$(wildcard $(HOME)/.pyenv/versions/3.8.*/bin/python3.8 /root/.pyenv/versions/3.8.*/bin/python3.8) python3.8,$(shell $(p) -c 'import sys; assert sys.version_info[:2] == (3, 8)' >/dev/null 2>&1 && echo $(p))))
VENV     := .venv
DEB_PACKAGES := g++ make pkg-config libgtest-dev zlib1g-dev libbz2-dev coinor-libcbc-dev libdsdp-dev \
  clang-format clang-tidy
PY_PACKAGES  := numpy scipy highsbox scikit-build-core cmake ninja pytest hypothesis highspy ruff
# Every pip install takes its versions from constraints.txt, so a build installs the same
# packages every day; the venv stamps follow that file, so a bump reinstalls.
PINNED := -c $(CURDIR)/constraints.txt
# The project version, whose one place is CMakeLists.txt.
VERSION := ${shell sed -n 's/^project(didazoda VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt}

.PHONY: all demo test test-cpp test-py38 test-py3 build build-py38 build-py3 deps clean lint \
  format-check tidy

all: build

deps: $(VENV)/.deb-stamp

# The stamps follow the Makefile, so a package added to a list is installed
# into existing environments too (pip skips what is there already).
$(VENV)/.deb-stamp: Makefile
	mkdir -p $(VENV)
	if ! dpkg -s $(DEB_PACKAGES) >/dev/null 2>&1; then
	  apt-get update -qq
	  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $(DEB_PACKAGES)
	fi
	touch $@

$(VENV)/py38/.stamp: $(VENV)/.deb-stamp constraints.txt
	if [ -z "$(PYTHON38)" ]; then echo "CPython 3.8 not found (python3.8 or pyenv 3.8.x)" >&2; exit 1; fi
	$(PYTHON38) -m venv $(VENV)/py38
	$(VENV)/py38/bin/pip install -q $(PINNED) pip
	$(VENV)/py38/bin/pip install -q $(PINNED) $(PY_PACKAGES)
	touch $@

$(VENV)/py3/.stamp: $(VENV)/.deb-stamp constraints.txt
	$(PYTHON3) -m venv $(VENV)/py3
	$(VENV)/py3/bin/pip install -q $(PINNED) pip
	$(VENV)/py3/bin/pip install -q $(PINNED) $(PY_PACKAGES)
	touch $@

# The package is built against the venv's own numpy, so no build isolation.
define interpreter_rules
build-$(1): $(VENV)/$(1)/.stamp
	$(VENV)/$(1)/bin/pip install -q $(PINNED) --no-build-isolation --no-deps --force-reinstall \
	  -C cmake.define.DIDAZODA_WERROR=ON .

test-$(1): build-$(1)
	$(VENV)/$(1)/bin/python -m pytest -q -p no:cacheprovider
endef
$(foreach i,py38 py3,$(eval $(call interpreter_rules,$(i))))

build: build-py3

demo: build-py3
	$(VENV)/py3/bin/python examples/quickstart.py

test-cpp: $(VENV)/py3/.stamp
	$(VENV)/py3/bin/cmake -S . -B build/cpp -G Ninja -DDIDAZODA_MODULE=OFF -DDIDAZODA_TESTS=ON \
	  -DDIDAZODA_WERROR=ON -DPython_EXECUTABLE=$(CURDIR)/$(VENV)/py3/bin/python -DCMAKE_MAKE_PROGRAM=$(CURDIR)/$(VENV)/py3/bin/ninja
	$(VENV)/py3/bin/cmake --build build/cpp -j4
	cd build/cpp && $(CURDIR)/$(VENV)/py3/bin/ctest --output-on-failure

test: test-cpp test-py38 test-py3

lint: format-check $(VENV)/py3/.stamp
	tools/check_module_rules.sh
	$(VENV)/py3/bin/ruff check tests bench
	$(MAKE) --no-print-directory tidy

format-check: $(VENV)/.deb-stamp
	git ls-files -z '*.cpp' '*.h' '*.c' | xargs -0 clang-format --dry-run --Werror

# clang-tidy takes each file's compile command from a tree that is configured, never
# built: the module against the venv's Python and numpy, the library, its C++ tests.
# Configuring again each time is quick and picks up files added since. Files run in
# parallel, each one's report printed whole; its warning tally (the system headers'
# included) is left out. Every finding is an error (.clang-tidy).
TIDY_BUILD := build/tidy
TIDY_JOBS ?= $(shell nproc)
tidy: $(VENV)/py3/.stamp
	$(VENV)/py3/bin/cmake -S . -B $(TIDY_BUILD) -G Ninja -DDIDAZODA_MODULE=ON -DDIDAZODA_TESTS=ON \
	  -DPython_EXECUTABLE=$(CURDIR)/$(VENV)/py3/bin/python \
	  -DCMAKE_MAKE_PROGRAM=$(CURDIR)/$(VENV)/py3/bin/ninja >/dev/null
	git ls-files -z 'src/*.cpp' 'tarvex/src/*.cpp' 'tests/cpp/*.cpp' 'tests/cpp/*.c' \
	  | xargs -0 -n 1 -P $(TIDY_JOBS) sh -c 'out=$$(clang-tidy --quiet -p $(TIDY_BUILD) \
	    --header-filter="^$(CURDIR)/(src|tarvex/src|tests/cpp)/" "$$0" 2>&1) && exit 0; \
	    printf "%s\n" "$$out" | grep -v "warnings\? generated\.$$"; exit 1'

clean:
	rm -rf build $(VENV)

# Memory checks. The module and the library are built with the sanitizers into
# their own venv and build dirs, so the normal builds are untouched. The
# interpreter itself is not instrumented: the runtimes are preloaded, and
# PYTHONMALLOC=malloc routes every object allocation through the checked
# allocator. Leaks are not looked for in the interpreter (its own are not
# ours); the C++ tests do look for them. Every report goes to a log file,
# so one raised in a subprocess whose exit status a test accepts still fails.
ASAN_VENV := $(VENV)/asan
ASAN_LOGS := build/asan-logs
# Debug keeps reads whose values are unused, which -O2 would drop unchecked.
# The library's containers check their indices too.
ASAN_BUILD_TYPE := Debug
ASAN_CXX_FLAGS := -D_GLIBCXX_ASSERTIONS
SANITIZER_OPTIONS := halt_on_error=1:print_stacktrace=1:log_path=$(CURDIR)/$(ASAN_LOGS)/report
# A huge allocation asked for by hostile input fails instead of exhausting the
# machine: malloc returns NULL (MemoryError); a C++ new above the cap is
# reported, as the sanitizer's new cannot throw.
ASAN_COMMON := allocator_may_return_null=1:max_allocation_size_mb=8192:handle_abort=1:$(SANITIZER_OPTIONS)
# The API fuzz test gets more rounds here, where a fault is seen at once: fixed seeds
# other than those of `make test`, so that the two runs cover more between them.
CHECK_MEMORY_FUZZ_SEED ?= 1000
CHECK_MEMORY_FUZZ_ROUNDS ?= 20

$(ASAN_VENV)/.stamp: $(VENV)/.deb-stamp constraints.txt
	$(PYTHON3) -m venv $(ASAN_VENV)
	$(ASAN_VENV)/bin/pip install -q $(PINNED) pip
	$(ASAN_VENV)/bin/pip install -q $(PINNED) $(PY_PACKAGES)
	touch $@

build-asan: $(ASAN_VENV)/.stamp
	$(ASAN_VENV)/bin/pip install -q $(PINNED) --no-build-isolation --no-deps --force-reinstall \
	  -C build-dir=build/asan -C cmake.define.DIDAZODA_SANITIZE=ON -C cmake.define.DIDAZODA_WERROR=ON \
	  -C cmake.build-type=$(ASAN_BUILD_TYPE) -C cmake.define.CMAKE_CXX_FLAGS=$(ASAN_CXX_FLAGS) .

check-memory: build-asan
	$(ASAN_VENV)/bin/cmake -S . -B build/asan-cpp -G Ninja -DDIDAZODA_SANITIZE=ON \
	  -DDIDAZODA_MODULE=OFF -DDIDAZODA_TESTS=ON -DDIDAZODA_WERROR=ON \
	  -DCMAKE_BUILD_TYPE=$(ASAN_BUILD_TYPE) -DCMAKE_CXX_FLAGS=$(ASAN_CXX_FLAGS) \
	  -DPython_EXECUTABLE=$(CURDIR)/$(ASAN_VENV)/bin/python \
	  -DCMAKE_MAKE_PROGRAM=$(CURDIR)/$(ASAN_VENV)/bin/ninja
	$(ASAN_VENV)/bin/cmake --build build/asan-cpp -j4
	rm -rf $(ASAN_LOGS) && mkdir -p $(ASAN_LOGS)
	status=0
	(cd build/asan-cpp && ASAN_OPTIONS=detect_leaks=1:$(ASAN_COMMON) \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/cpp/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=$(SANITIZER_OPTIONS) $(CURDIR)/$(ASAN_VENV)/bin/ctest --output-on-failure) \
	  || status=1
	(LD_PRELOAD="$(shell $(CXX) -print-file-name=libasan.so) $(shell $(CXX) -print-file-name=libubsan.so)" \
	  PYTHONMALLOC=malloc ASAN_OPTIONS=detect_leaks=0:$(ASAN_COMMON) UBSAN_OPTIONS=$(SANITIZER_OPTIONS) \
	  DIDAZODA_FUZZ_SEED=$(CHECK_MEMORY_FUZZ_SEED) DIDAZODA_FUZZ_ROUNDS=$(CHECK_MEMORY_FUZZ_ROUNDS) \
	  $(ASAN_VENV)/bin/python -m pytest -q -p no:cacheprovider) || status=1
	# A refused huge allocation only warns (it became a MemoryError); any
	# other line is a report.
	for f in $(ASAN_LOGS)/report*; do
	  if [ -e "$$f" ] && grep -qv 'WARNING: AddressSanitizer failed to allocate' "$$f"; then
	    echo "==== $$f"; cat "$$f"; status=1
	  fi
	done
	# The library's locking under ThreadSanitizer: its own build, the C++ tests only.
	$(ASAN_VENV)/bin/cmake -S . -B build/tsan-cpp -G Ninja -DDIDAZODA_TSAN=ON \
	  -DDIDAZODA_MODULE=OFF -DDIDAZODA_TESTS=ON -DDIDAZODA_WERROR=ON \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPython_EXECUTABLE=$(CURDIR)/$(ASAN_VENV)/bin/python \
	  -DCMAKE_MAKE_PROGRAM=$(CURDIR)/$(ASAN_VENV)/bin/ninja
	$(ASAN_VENV)/bin/cmake --build build/tsan-cpp -j4
	(cd build/tsan-cpp && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/cpp/tsan.supp:log_path=$(CURDIR)/$(ASAN_LOGS)/tsan \
	  $(CURDIR)/$(ASAN_VENV)/bin/ctest -j4 --output-on-failure) || status=1
	for f in $(ASAN_LOGS)/tsan*; do
	  if [ -e "$$f" ]; then echo "==== $$f"; cat "$$f"; status=1; fi
	done
	if [ $$status -ne 0 ]; then echo "check-memory: failed (sanitizer reports, if any, above)" >&2; fi
	exit $$status

.PHONY: build-asan check-memory

# The differential test of the solve paths on many more random MIPs than
# `make test` runs: CBC_FUZZ_MODELS models from seed CBC_FUZZ_SEED, and
# CBC_HIDDEN_MODELS of them with rows a callback gives as cuts.
CBC_FUZZ_MODELS ?= 5000
CBC_HIDDEN_MODELS ?= 3000
CBC_FUZZ_SEED ?= 1000000
fuzz-cbc: build-py3
	cd tests && DIDAZODA_CBC_FUZZ_MODELS=$(CBC_FUZZ_MODELS) DIDAZODA_CBC_FUZZ_SEED=$(CBC_FUZZ_SEED) \
	  DIDAZODA_CBC_HIDDEN_MODELS=$(CBC_HIDDEN_MODELS) \
	  ../$(VENV)/py3/bin/python -m pytest -q -s -p no:cacheprovider test_fuzz_cbc.py

# The API fuzz test's random rounds: batches of hostile calls from fresh seeds for
# FUZZ_SECONDS; a failure prints its seed. `make test` runs fixed seeds only.
FUZZ_SECONDS ?= 600
fuzz: build-py3
	cd tests && DIDAZODA_FUZZ_SECONDS=$(FUZZ_SECONDS) \
	  ../$(VENV)/py3/bin/python -m pytest -q -p no:cacheprovider test_fuzz_api.py::test_random_calls

.PHONY: fuzz-cbc fuzz

# Benchmarks against peer modelling libraries: not part of `make test`.
# The peers live in their own venv; one that fails to install is left out
# and the runner reports it missing. BENCH_ARGS=--full runs the larger sizes.
BENCH_VENV := $(VENV)/bench
BENCH_PEERS := pyoptinterface highsbox highspy linopy mip pyomo pulp
BENCH_ARGS ?=

$(BENCH_VENV)/.stamp: $(VENV)/.deb-stamp constraints.txt
	$(PYTHON3) -m venv $(BENCH_VENV)
	$(BENCH_VENV)/bin/pip install -q $(PINNED) pip
	$(BENCH_VENV)/bin/pip install -q $(PINNED) $(PY_PACKAGES) matplotlib
	for p in $(BENCH_PEERS); do
	  $(BENCH_VENV)/bin/pip install -q $(PINNED) $$p || echo "bench: $$p failed to install, skipped" >&2
	done
	touch $@

bench: $(BENCH_VENV)/.stamp
	$(BENCH_VENV)/bin/pip install -q $(PINNED) --no-build-isolation --no-deps --force-reinstall \
	  -C build-dir=build/bench-wheel -C cmake.define.DIDAZODA_WERROR=ON .
	# The C++ floors: the library's C functions fed from ready-made arrays.
	libdir=$$(echo $(CURDIR)/$(BENCH_VENV)/lib/python3*/site-packages/linux64-x86/lib)
	mkdir -p build/bench
	for floor in lqcp array; do
	  $(CXX) -std=c++17 -O2 -Isrc/module bench/$${floor}_floor.cpp -o build/bench/$${floor}_floor \
	    -L$$libdir -l:libtarvex.so.$(VERSION) -Wl,-rpath,$$libdir
	done
	$(BENCH_VENV)/bin/python bench/run.py $(BENCH_ARGS)

.PHONY: bench
