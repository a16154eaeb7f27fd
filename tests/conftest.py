import os
import subprocess
import sys
import textwrap

import pytest
from hypothesis import settings

import didazoda

# Generated input is the same on every run, so the verdict does not depend on the day;
# only a fuzz run that asks for a time budget (make fuzz) draws fresh seeds.
settings.register_profile("fixed", derandomize=True, database=None)
settings.register_profile("fuzz", database=None)
settings.load_profile("fuzz" if os.environ.get("DIDAZODA_FUZZ_SECONDS") else "fixed")


@pytest.fixture
def run_python():
    """Runs code in a fresh interpreter; returns the completed process."""

    def run(code, *flags):
        return subprocess.run(
            [sys.executable, *flags, "-c", textwrap.dedent(code)],
            capture_output=True,
            text=True,
            timeout=120,
        )

    return run


@pytest.fixture(scope="module")
def text_file(tmp_path_factory):
    """text_file(text, name): the path (a str) of a new file named name
    holding text, in a directory of its own."""

    def write(text, name):
        path = tmp_path_factory.mktemp("text") / name
        path.write_text(text)
        return str(path)

    return write


@pytest.fixture(scope="module")
def model_from_text(text_file):
    """model_from_text(text, name="model.lp", env=None): the model read from
    a file named name (its suffix picks the reader) holding text. Every model
    read is disposed once the test module ends, so that module fixtures can
    read theirs too."""
    read = []

    def make(text, name="model.lp", env=None):
        model = didazoda.read(text_file(text, name), env)
        read.append(model)
        return model

    yield make
    for model in read:
        model.dispose()
