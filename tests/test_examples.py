"""Every example runs and reaches its known answer (the examples assert it)."""
import os
import subprocess
import sys

import pytest

import didazoda
from didazoda import TVX

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


def test_workshop_lp_reads_to_the_quickstart_model():
    # The integer optimum is unique; the relaxation reaches 851.5, so 840 also shows that
    # the General section was read.
    m = didazoda.read(os.path.join(EXAMPLES, "workshop.lp"))
    try:
        m.optimize()
        assert m.Status == TVX.OPTIMAL and m.ModelName == "workshop"
        assert m.ObjVal == pytest.approx(840)
        assert {v.VarName: v.X for v in m.getVars()} == pytest.approx(
            {"chairs": 8, "tables": 3, "shelves": 4})
        assert {c.ConstrName: c.Activity for c in m.getConstrs()} == pytest.approx(
            {"wood": 46, "labour": 59, "finishing": 22})
    finally:
        m.dispose()
