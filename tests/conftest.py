import subprocess
import sys
import textwrap

import pytest


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
