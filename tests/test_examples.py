"""Every example runs and reaches its known answer (the examples assert it)."""
import os
import subprocess
import sys

import pytest

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples")


@pytest.mark.parametrize("script", sorted(f for f in os.listdir(EXAMPLES) if f.endswith(".py")))
def test_example_runs(script):
    r = subprocess.run([sys.executable, os.path.join(EXAMPLES, script)], capture_output=True,
                       text=True, timeout=120)
    assert r.returncode == 0, r.stdout + r.stderr


def test_quickstart_finds_the_known_plan():
    r = subprocess.run([sys.executable, os.path.join(EXAMPLES, "quickstart.py")],
                       capture_output=True, text=True, timeout=120)
    assert "best profit 840" in r.stdout
