"""Model file, solve and lookup operations: optimize, computeIIS, reset,
write and Model.read, message, getVarByName and getConstrByName.

Every model comes from didazoda.read() of a small file written here (or the
QP of tests/data); the optima below are worked out by hand.
"""
import os
import random
import threading
import time

import pytest

import didazoda
from didazoda import TVX, Env, Model, TarvexError

DATA = os.path.join(os.path.dirname(__file__), "data")

# max 3x + 5y + z + 4w. Unique, non-degenerate optimum x=2, y=6, z=0, w=2
# (at its bound): c3 and c2 are tight with duals 1 and 1.5, c1 is slack;
# z prices out at 1 - 3*1 = -2, w at 4 - 0 = 4.
LP = """\
\\Problem name: plan
Maximize
 obj: 3 x + 5 y + z + 4 w
Subject To
 c1: x + w <= 5
 c2: 2 y <= 12
 c3: 3 x + 2 y + 3 z <= 18
Bounds
 w <= 2
End
"""

# Its relaxation is fractional (x=2.75, y=1.75); the integer optimum is
# x=3, y=1 with z=0.5 at its bound.
MIP = """\
NAME          pick
ROWS
 N  obj
 L  c1
 L  c2
COLUMNS
    MARKER    'MARKER'  'INTORG'
    x         obj       -3           c1        2
    x         c2        3
    y         obj       -2           c1        2
    y         c2        1
    MARKER    'MARKER'  'INTEND'
    z         obj       -1           c1        1
RHS
    rhs       c1        9            c2        10
BOUNDS
 UP bnd       x         10
 UP bnd       y         10
 UP bnd       z         0.5
ENDATA
"""

# x + y >= 5 cannot hold with x <= 1 and y <= 2: the IIS is that row and the
# two upper bounds; `other`, `third` and z play no part.
INFEASIBLE = """\
Minimize
 obj: x + y + z
Subject To
 need: x + y >= 5
 other: x - z <= 10
 third: z + y >= 1
Bounds
 x <= 1
 y <= 2
 z free
End
"""

UNBOUNDED = """\
Maximize
 obj: x + y
Subject To
 c1: x - y <= 1
End
"""

SOURCES = {"lp": ("plan.lp", LP), "mip": ("pick.mps", MIP), "infeasible": ("inf.lp", INFEASIBLE),
           "unbounded": ("unb.lp", UNBOUNDED)}


@pytest.fixture
def load(model_from_text):
    """load(which, env=None): a new model of SOURCES, or of the QP data file."""

    def read(which, env=None):
        if which == "qp":
            # min x^2 + xy + 2y^2 - 2x - 3y with x + 2y >= 2 tight: x=3/4, y=5/8.
            return didazoda.read(os.path.join(DATA, "qp_small.qps"), env)
        name, text = SOURCES[which]
        return model_from_text(text, name, env)

    return read


def values(m, attr, elements):
    return [float(v) for v in m.getAttr(attr, elements)]


def errno_of(call):
    with pytest.raises(TarvexError) as info:
        call()
    return info.value.errno


@pytest.mark.parametrize("which, objval, x, duals, rc", [
    ("lp", 44.0, [2, 6, 0, 2], [0, 1.5, 1], [0, 0, -2, 4]),
    ("mip", -11.5, [3, 1, 0.5], None, None),
    ("qp", -25 / 16, [0.75, 0.625], [0, 0.125], [0, 0]),
])
def test_known_optima(load, which, objval, x, duals, rc):
    m = load(which)
    assert m.optimize() is None
    assert m.Status == TVX.OPTIMAL
    assert m.ObjVal == pytest.approx(objval, abs=1e-6)
    assert values(m, "X", m.getVars()) == pytest.approx(x, abs=1e-6)
    if duals is not None:
        assert values(m, "DualSoln", m.getConstrs()) == pytest.approx(duals, abs=1e-6)
        assert values(m, "RC", m.getVars()) == pytest.approx(rc, abs=1e-6)
    else:
        assert errno_of(lambda: m.getAttr("DualSoln", m.getConstrs())) == TVX.Error.NO_SOLN
        # The integer point is exact already.
        assert m.cleanupMilp() == 0


def test_infeasible_model_and_its_iis(load):
    m = load("infeasible")
    m.optimize()
    assert m.Status == TVX.INFEASIBLE
    assert errno_of(lambda: m.ObjVal) == TVX.Error.NO_SOLN
    assert errno_of(lambda: m.getAttr("IISConstr", m.getConstrs())) == TVX.Error.IIS_NO_SOLN
    assert m.computeIIS() is None
    assert m.getAttr("IISConstr", m.getConstrs()) == [1, 0, 0]
    assert m.getAttr("IISVar", m.getVars()) == [1, 1, 0]


def test_unbounded_model_and_feasible_iis(load):
    m = load("unbounded")
    m.optimize()
    assert m.Status == TVX.UNBOUNDED
    assert errno_of(lambda: m.ObjVal) == TVX.Error.NO_SOLN
    assert errno_of(m.computeIIS) == TVX.Error.IIS_FEASIBLE


def test_reset_clears_the_solution(load):
    m = load("lp")
    x = m.getVars()
    m.setAttr("Start", x, [1.0, 2.0, 3.0, 0.5])
    m.optimize()
    m.reset()
    assert m.Status == TVX.UNKNOWN and m.HasSolution == 0
    assert errno_of(lambda: m.ObjVal) == TVX.Error.NO_SOLN
    assert errno_of(lambda: m.getAttr("X", x)) == TVX.Error.NO_SOLN
    assert values(m, "Start", x) == [1.0, 2.0, 3.0, 0.5]
    m.reset(clearall=1)
    assert values(m, "Start", x) == [TVX.UNDEFINED] * 4
    m.optimize()
    assert m.ObjVal == pytest.approx(44.0)


# ---- files ------------------------------------------------------------------------


def model_data(m):
    """Everything a model file carries, read through the attributes."""
    x, c = m.getVars(), m.getConstrs()
    return ([m.getAttr(a) for a in ("ModelSense", "ObjConst", "NumVars", "NumConstrs")],
            [m.getAttr(a, x) for a in ("VarName", "LB", "UB", "Obj", "VType")],
            [m.getAttr(a, c) for a in ("ConstrName", "LHS", "RHS")])


@pytest.mark.parametrize("which, suffix", [
    ("lp", ".lp"), ("lp", ".mps.gz"), ("mip", ".mps"), ("mip", ".lp.bz2"),
    ("qp", ".qps"), ("qp", ".lp"), ("infeasible", ".mps"),
])
def test_written_model_reads_back_the_same(load, tmp_path, which, suffix):
    m = load(which)
    first = str(tmp_path / ("out" + suffix))
    m.write(first)
    back = didazoda.read(first)
    assert model_data(back) == model_data(m)
    # The coefficients and quadratic terms: the copy writes the same text.
    again = str(tmp_path / ("again" + suffix))
    back.write(again)
    plain = suffix.replace(".gz", "").replace(".bz2", "")
    m.write(str(tmp_path / ("a" + plain)))
    back.write(str(tmp_path / ("b" + plain)))
    assert (tmp_path / ("a" + plain)).read_text() == (tmp_path / ("b" + plain)).read_text()
    m.optimize()
    back.optimize()
    assert back.Status == m.Status
    if m.Status == TVX.OPTIMAL:
        assert back.ObjVal == pytest.approx(m.ObjVal, abs=1e-9)
        assert values(back, "X", back.getVars()) == pytest.approx(values(m, "X", m.getVars()))


def test_read_takes_parameters_and_mip_starts(load, tmp_path):
    source = load("mip")
    source.Params.MaxTime = 7.5
    source.setAttr("Start", source.getVars(), [2.0, 1.0, 0.25])
    source.write(str(tmp_path / "p.prm"))
    source.write(str(tmp_path / "s.mst"))
    m = load("mip")
    m.read(str(tmp_path / "p.prm"))
    m.read(str(tmp_path / "s.mst"))
    assert m.Params.MaxTime == 7.5
    assert values(m, "Start", m.getVars()) == [2.0, 1.0, 0.25]


@pytest.mark.parametrize("method, name, code", [
    ("read", "missing.prm", TVX.Error.FILE_READ_ERROR),
    # A model file would leave the element lists out of step.
    ("read", "plan.lp", TVX.Error.FORMAT_ERROR),
    ("read", "plan.unknown", TVX.Error.FORMAT_ERROR),
    ("write", "out.unknown", TVX.Error.FORMAT_ERROR),
    ("write", os.path.join("no", "such", "dir", "out.lp"), TVX.Error.FILE_WRITE_ERROR),
])
def test_file_errors(load, tmp_path, method, name, code):
    m = load("lp")
    (tmp_path / "plan.unknown").write_text("x")
    before = model_data(m)
    assert errno_of(lambda: getattr(m, method)(str(tmp_path / name))) == code
    assert model_data(m) == before


def test_message_goes_to_the_environment_log(load, tmp_path):
    log = tmp_path / "run.log"
    env = Env(str(log))
    m = load("lp", env)
    m.message("checkpoint \u00e9 one")
    assert "checkpoint \u00e9 one" in log.read_text(encoding="utf-8")
    # Without a log file the line goes nowhere, and that is no error.
    assert load("lp").message("dropped") is None


# ---- lookups ----------------------------------------------------------------------


def test_lookups_return_the_cached_handles(load):
    m = load("lp")
    assert m.getVarByName("z") is m.getVars()[2]
    assert m.getConstrByName("c3") is m.getConstrs()[2]
    assert m.getVarByName("c3") is None and m.getConstrByName("z") is None
    assert m.getVarByName("") is None


def test_lookup_index_outside_the_lists_raises(load):
    m = load("lp")
    # The accessor hands out the model's own list, so a program can empty it;
    # the library's index then lies past its end.
    m.getVars().clear()
    with pytest.raises(TarvexError):
        m.getVarByName("z")
    assert m.getConstrByName("c1") is m.getConstrs()[0]


# ---- arguments, binding, dead models ---------------------------------------------------


@pytest.mark.parametrize("call, exc, text", [
    (lambda m: m.write(3), TypeError,
     "Argument 'filename' has incorrect type (expected str, got int)"),
    (lambda m: m.read(b"p.prm"), TypeError,
     "Argument 'filename' has incorrect type (expected str, got bytes)"),
    (lambda m: m.message(None), TypeError, None),
    (lambda m: m.getVarByName(1.5), TypeError,
     "Argument 'name' has incorrect type (expected str, got float)"),
    (lambda m: m.getConstrByName("c1", 2), TypeError,
     "getConstrByName() takes exactly 1 positional argument (2 given)"),
    (lambda m: m.reset("1"), TypeError, "an integer is required"),
    (lambda m: m.reset(2 ** 40), OverflowError, "value too large to convert to int"),
    (lambda m: m.reset(2), TarvexError, None),
    (lambda m: m.optimize(None, None), TypeError,
     "optimize() takes at most 1 positional argument (2 given)"),
])
def test_argument_errors(load, call, exc, text):
    m = load("lp")
    m.optimize()
    with pytest.raises(exc) as info:
        call(m)
    if text is not None:
        assert str(info.value) == text
    # Nothing reached the solution.
    assert m.ObjVal == pytest.approx(44.0)


@pytest.mark.parametrize("call", [
    lambda m: m.message("x"), lambda m: m.read("p.prm"), lambda m: m.write("x.lp"),
    lambda m: m.reset(), lambda m: m.cleanupMilp(), lambda m: m.optimize(),
    lambda m: m.computeIIS(), lambda m: m.getVarByName("x"), lambda m: m.getConstrByName("c"),
])
@pytest.mark.parametrize("make", ["disposed", "empty"])
def test_dead_model_raises_instead_of_reaching_the_library(load, call, make):
    if make == "disposed":
        m = load("lp")
        m.dispose()
    else:
        m = Model(empty=True)
    assert errno_of(lambda: call(m)) == TVX.Error.INVALID_ARGUMENT


PUBLIC = {"message": "message(message)", "read": "read(filename)", "write": "write(filename)",
          "reset": "reset(clearall=0)", "optimize": "optimize(callback=None)",
          "computeIIS": "computeIIS(callback=None)", "getVarByName": "getVarByName(name)",
          "getConstrByName": "getConstrByName(name)"}


def test_binding_and_listing():
    listed = dir(Model)
    for name, sig in PUBLIC.items():
        assert name in listed
        assert getattr(Model, name).__doc__.startswith(
            f"\n        SIGNATURE:\n            {sig}\n\n        PURPOSE:\n")
    assert "cleanupMilp" not in listed
    assert Model.cleanupMilp.__doc__ == ""
    assert Model.reset.__defaults__ == (0,)
    assert Model.optimize.__defaults__ == (None,) == Model.computeIIS.__defaults__
    assert Model.optimize.__qualname__ == "Model.optimize"


def test_callback_registration_comes_and_goes(load):
    m = load("lp")
    # Registered (callable or not: nothing checks), then dropped by the next
    # plain solve; every one of them solves.
    for callback in (lambda model, where: None, 42, None):
        m.reset()
        m.optimize(callback)
        assert m.ObjVal == pytest.approx(44.0)


# ---- a solve that cannot finish ----------------------------------------------------------


def market_split(rows=4, cols=30, seed=7):
    """A market-split MIP: easy to satisfy with slacks, very hard to prove optimal.
    Its MPS text and its matrix."""
    rnd = random.Random(seed)
    a = [[rnd.randrange(100) for _ in range(cols)] for _ in range(rows)]
    lines = ["NAME split", "ROWS", " N cost"] + [f" E r{i}" for i in range(rows)]
    lines += ["COLUMNS", "    MARKER 'MARKER' 'INTORG'"]
    lines += [f"    x{j} r{i} {a[i][j]}" for j in range(cols) for i in range(rows)]
    lines += ["    MARKER 'MARKER' 'INTEND'"]
    for i in range(rows):
        lines += [f"    up{i} cost 1 r{i} 1", f"    down{i} cost 1 r{i} -1"]
    lines += ["RHS"] + [f"    rhs r{i} {sum(a[i]) // 2}" for i in range(rows)]
    lines += ["BOUNDS"] + [f" BV bnd x{j}" for j in range(cols)] + ["ENDATA"]
    return "\n".join(lines) + "\n", a


@pytest.fixture
def hard_mip(model_from_text):
    text, a = market_split()
    m = model_from_text(text, "split.mps")
    m.Params.MaxTime = 0.5
    return m, a


def test_time_limit_keeps_the_incumbent(hard_mip):
    m, a = hard_mip
    assert errno_of(m.optimize) == TVX.Error.ABORT_TIME_LIMIT
    assert m.Status == TVX.SUB_OPTIMAL
    sol = values(m, "X", m.getVars())
    x, slack = sol[:30], sol[30:]
    assert all(abs(v - round(v)) < 1e-6 for v in x)
    for i, row in enumerate(a):
        activity = sum(c * v for c, v in zip(row, x)) + slack[2 * i] - slack[2 * i + 1]
        assert activity == pytest.approx(sum(row) // 2, abs=1e-6)
    assert m.ObjVal == pytest.approx(sum(slack), abs=1e-6)


def test_other_threads_run_during_a_solve(hard_mip):
    m, _ = hard_mip
    count = [0]
    stop = threading.Event()

    def spin():
        while not stop.is_set():
            count[0] += 1
            time.sleep(0)  # gives the lock straight back

    spinner = threading.Thread(target=spin)
    spinner.start()
    try:
        before = count[0]
        with pytest.raises(TarvexError):
            m.optimize()
        during = count[0] - before
    finally:
        stop.set()
        spinner.join()
    # Held through the solve, the lock would have let only a handful of
    # turns through.
    assert during > 1000


def test_dispose_from_another_thread_during_a_solve(hard_mip):
    m, _ = hard_mip
    errors = []

    def solve():
        try:
            m.optimize()
        except TarvexError as e:
            errors.append(e.errno)

    worker = threading.Thread(target=solve)
    worker.start()
    time.sleep(0.1)
    m.dispose()
    worker.join()
    assert len(errors) == 1
    assert errno_of(m.optimize) == TVX.Error.INVALID_ARGUMENT
