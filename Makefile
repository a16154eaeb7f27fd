# make demo : set up, build and solve the example model
# make test : set up, build and run every test on CPython 3.8 and the default python3
SHELL := /bin/bash
.ONESHELL:
.SHELLFLAGS := -eu -o pipefail -c

PYTHON3  ?= python3
# pyenv's shim answers `command -v` even when 3.8 is not selected: ask the interpreter itself.
PYTHON38 ?= $(firstword $(foreach p,$(wildcard $(HOME)/.pyenv/versions/3.8.*/bin/python3.8 /root/.pyenv/versions/3.8.*/bin/python3.8) python3.8,$(shell $(p) -c 'import sys; assert sys.version_info[:2] == (3, 8)' >/dev/null 2>&1 && echo $(p))))
VENV     := .venv
DEB_PACKAGES := g++ make libgtest-dev
PY_PACKAGES  := numpy scipy highsbox scikit-build-core cmake ninja pytest

.PHONY: all demo test test-cpp test-py38 test-py3 build build-py38 build-py3 deps clean

all: build

deps: $(VENV)/.deb-stamp

$(VENV)/.deb-stamp:
	mkdir -p $(VENV)
	if ! dpkg -s $(DEB_PACKAGES) >/dev/null 2>&1; then
	  apt-get update -qq
	  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $(DEB_PACKAGES)
	fi
	touch $@

$(VENV)/py38/.stamp: $(VENV)/.deb-stamp
	if [ -z "$(PYTHON38)" ]; then echo "CPython 3.8 not found (python3.8 or pyenv 3.8.x)" >&2; exit 1; fi
	$(PYTHON38) -m venv $(VENV)/py38
	$(VENV)/py38/bin/pip install -q --upgrade pip
	$(VENV)/py38/bin/pip install -q $(PY_PACKAGES)
	touch $@

$(VENV)/py3/.stamp: $(VENV)/.deb-stamp
	$(PYTHON3) -m venv $(VENV)/py3
	$(VENV)/py3/bin/pip install -q --upgrade pip
	$(VENV)/py3/bin/pip install -q $(PY_PACKAGES)
	touch $@

# The package is built against the venv's own numpy, so no build isolation.
define interpreter_rules
build-$(1): $(VENV)/$(1)/.stamp
	$(VENV)/$(1)/bin/pip install -q --no-build-isolation --no-deps --force-reinstall .

test-$(1): build-$(1)
	cd tests && ../$(VENV)/$(1)/bin/python -m pytest -q -p no:cacheprovider .
endef
$(foreach i,py38 py3,$(eval $(call interpreter_rules,$(i))))

build: build-py3

demo: build-py3
	$(VENV)/py3/bin/python examples/quickstart.py

test-cpp: $(VENV)/py3/.stamp
	$(VENV)/py3/bin/cmake -S . -B build/cpp -G Ninja -DDIDAZODA_MODULE=OFF -DDIDAZODA_TESTS=ON \
	  -DPython_EXECUTABLE=$(CURDIR)/$(VENV)/py3/bin/python -DCMAKE_MAKE_PROGRAM=$(CURDIR)/$(VENV)/py3/bin/ninja
	$(VENV)/py3/bin/cmake --build build/cpp -j
	cd build/cpp && $(CURDIR)/$(VENV)/py3/bin/ctest --output-on-failure

test: test-cpp test-py38 test-py3

clean:
	rm -rf build $(VENV)
