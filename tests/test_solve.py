"""Model file, solve and lookup operations: optimize, computeIIS, reset,
write and Model.read, message, getVarByName and getConstrByName.

Every solved model comes from didazoda.read() of a small file written here (or
the QP of tests/data); the optima below are worked out by hand. Refused models
and the long IIS search that Ctrl-C stops are built in place.
"""
import os
import random
import threading
import time

import numpy as np
import pytest

import didazoda
from didazoda import TVX, Env, Model, TarvexError
from support import interrupt_child

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


# ---- Messages that name what is wrong ------------------------------------------------------

NAN, INF = float("nan"), float("inf")
INPUT = "Invalid model data: "
NO_SOLVER = "No solver available for this model: a semidefinite model with "


def two_vars(m):
    return m.addVar(name="x"), m.addVar(name="y")


def psd_model(m):
    X = m.addPsdVar(dim=2)
    m.addConstr(np.eye(2) * X == 1)
    return X


# Each refusal names its element by index, and the value; a build call refuses
# at once, what only HiGHS cannot take is refused by optimize().
@pytest.mark.parametrize("build, text", [
    (lambda m: (two_vars(m), m.addVar(lb=NAN)),
     INPUT + "the lower bound of variable 2 cannot be nan"),
    (lambda m: setattr(two_vars(m)[1], "UB", NAN), INPUT + "UB of variable 1 cannot be nan"),
    (lambda m: m.addVar(obj=-INF),
     INPUT + "the objective coefficient of variable 0 cannot be -inf"),
    (lambda m: m.setObjective(two_vars(m)[1] * NAN),
     INPUT + "the objective coefficient of variable 1 cannot be nan"),
    (lambda m: m.setAttr("Obj", list(two_vars(m)), [1, INF]),
     INPUT + "Obj of variable 1 cannot be inf"),
    (lambda m: [m.addConstr(v >= 1) for v in two_vars(m) + (INF * m.getVars()[1],)],
     INPUT + "the coefficient of variable 1 in row 2 cannot be inf"),
    (lambda m: m.chgCoeff(m.addConstr(two_vars(m)[0] <= 1), m.getVars()[1], NAN),
     INPUT + "the coefficient of variable 1 in row 0 cannot be nan"),
    (lambda m: m.addConstr(two_vars(m)[1] <= NAN),
     INPUT + "the right-hand side of row 0 cannot be nan"),
    (lambda m: m.addRange(two_vars(m)[0], NAN, 1),
     INPUT + "the left-hand side of row 0 cannot be nan"),
    (lambda m: m.setObjective(two_vars(m)[0] * m.getVars()[1] * NAN),
     INPUT + "the quadratic objective's coefficient of variable 0 times variable 1 cannot be nan"),
    (lambda m: m.addConstr(1e16 * two_vars(m)[1] <= 1),
     INPUT + "the coefficient 1e+16 of variable 1 in row 0 is beyond HiGHS's limit of 1e+15"),
    (lambda m: (psd_model(m), m.addVar(), m.addVar(vtype=TVX.INTEGER)),
     NO_SOLVER + "an integer variable (variable 1)"),
    (lambda m: (psd_model(m), m.setObjective(m.addVar() * m.addVar())),
     NO_SOLVER + "a quadratic objective"),
])
def test_refusals_name_what_is_wrong(build, text):
    m = Model()
    with pytest.raises(TarvexError) as info:
        build(m)
        m.optimize()
    assert info.value.message == str(info.value) == text
    assert info.value.errno == (TVX.Error.MODEL_INPUT_ERROR if text.startswith(INPUT)
                                else TVX.Error.ABORT_SOLVER_NOT_AVAILABLE)
    # The code alone still gives the library's own text.
    assert text.startswith(TarvexError(info.value.errno).message + ": ")


def test_iis_of_a_refused_model_names_the_refusal():
    m = Model()
    psd_model(m)
    m.addVar(vtype=TVX.BINARY)
    with pytest.raises(TarvexError) as info:
        m.computeIIS()
    assert info.value.message == NO_SOLVER + "a binary variable (variable 0)"


# x[0] >= 1, x[i+1] - x[i] >= 1, x[-1] <= 0: all 3001 rows form the one IIS,
# and the search for it takes tens of seconds, the first of them asking HiGHS
# for a candidate.
IIS_CHILD = """
    from didazoda import Model, TarvexError

    m = Model()
    x = [m.addVar(lb=-1e6, ub=1e6) for _ in range(3000)]
    m.addConstr(x[0] >= 1)
    for a, b in zip(x, x[1:]):
        m.addConstr(b - a >= 1)
    m.addConstr(x[-1] <= 0)
    print("solving", flush=True)
    try:
        m.computeIIS()
        print("finished")
    except TarvexError as e:
        print("errno", e.errno)
"""


def test_ctrl_c_stops_the_iis_search(tmp_path):
    out, err, waited = interrupt_child(tmp_path, IIS_CHILD, delay=1.5)
    assert out.split() == ["errno", str(TVX.Error.ABORT_CTRL_C)], (out, err)
    # It used to take about 18 s, the rest of the engine's search.
    assert waited < 5
