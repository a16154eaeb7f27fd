"""Model.setObjective and Model.getObjective, and small models built through
the API whose optima are checked against known values and scipy.

setObjective replaces the whole objective; it checks the new expression in
full first, so a refused call leaves the old objective as it was.
getObjective builds a fresh expression: the constant, the nonzero linear
coefficients in variable order, then the stored quadratic terms in the
library's order, each pair with the lower variable index first.
"""
import math

import numpy as np
import pytest
from scipy.optimize import Bounds, LinearConstraint, linprog, milp

from didazoda import LinExpr, Model, QuadExpr, TarvexError, TVX, quicksum


@pytest.fixture
def m():
    return Model()


@pytest.fixture
def xyz(m):
    return tuple(m.addVar(name=n) for n in "xyz")


def lin_terms(e):
    return [(e.getVar(i).VarName, e.getCoeff(i)) for i in range(e.size())]


def quad_terms(q):
    return [(q.getVar1(i).VarName, q.getVar2(i).VarName, q.getCoeff(i))
            for i in range(q.size())]


def objective(m):
    """What the model holds, read without getObjective."""
    return ([float(v.Obj) for v in m.getVars()], float(m.ObjCon), int(m.ModelSense))


def test_linear_coefficients_are_summed_and_others_cleared(m, xyz):
    x, y, z = xyz
    z.Obj = 7
    m.setObjective(x + y, TVX.MAXIMIZE)
    m.setObjective(2 * x + 3 * x - y + 4)
    assert objective(m) == ([5.0, -1.0, 0.0], 4.0, TVX.MAXIMIZE)
    m.setObjective(x - x, sense=TVX.MINIMIZE)
    assert objective(m) == ([0.0, 0.0, 0.0], 0.0, TVX.MINIMIZE)


@pytest.mark.parametrize("build,kind,const,lin,quad", [
    (lambda x, y, z: 3 * z - 2 * x + 1.5, LinExpr, 1.5, [("x", -2.0), ("z", 3.0)], []),
    (lambda x, y, z: LinExpr(), LinExpr, 0.0, [], []),
    # pairs come back with the lower index first, in the order stored;
    # a zero term is dropped on the way back
    (lambda x, y, z: 3 * z * x + y * y - 0.5 * x * z + 0 * y * z + 2 * y - 1, QuadExpr, -1.0,
     [("y", 2.0)], [("x", "z", 3.0), ("y", "y", 1.0), ("x", "z", -0.5)]),
    (lambda x, y, z: QuadExpr() + x * y, QuadExpr, 0.0, [], [("x", "y", 1.0)]),
])
def test_round_trip(m, xyz, build, kind, const, lin, quad):
    m.setObjective(build(*xyz))
    got = m.getObjective()
    assert type(got) is kind
    linear = got.getLinExpr() if kind is QuadExpr else got
    assert linear.getConstant() == const
    assert lin_terms(linear) == lin
    if kind is QuadExpr:
        assert quad_terms(got) == quad
    # a fresh expression each time, sharing nothing with the model
    got.addConstant(100)
    assert m.getObjective().size() == got.size() and float(m.ObjCon) == const


def test_linear_objective_drops_old_quadratic_terms(m, xyz):
    x, y, _ = xyz
    m.setObjective(x * x + y)
    m.setObjective(2 * y)
    got = m.getObjective()
    assert type(got) is LinExpr and lin_terms(got) == [("y", 2.0)]


def test_getobjective_takes_no_arguments(m):
    with pytest.raises(TypeError):
        m.getObjective(1)


BAD = [
    (lambda m, x, y: m.setObjective(x), TypeError,
     "expr should be one of [LinExpr, QuadExpr, PsdExpr] type"),
    (lambda m, x, y: m.setObjective(3), TypeError, "expr should be one of"),
    (lambda m, x, y: m.setObjective(x <= 1), TypeError, "expr should be one of"),
    (lambda m, x, y: m.setObjective(x + y, "max"), TypeError, "an integer is required"),
    (lambda m, x, y: m.setObjective(x + y, 2 ** 40), OverflowError,
     "value too large to convert to int"),
    (lambda m, x, y: m.setObjective(x + y, 0), TarvexError, None),
    (lambda m, x, y: m.setObjective(x + Model().addVar()), TarvexError, "another model"),
    (lambda m, x, y: m.setObjective(x * Model().addVar() + y), TarvexError, "another model"),
    (lambda m, x, y: m.setObjective(x + math.nan * y), TarvexError, None),
    (lambda m, x, y: m.setObjective(x * y * math.inf), TarvexError, None),
    (lambda m, x, y: m.setObjective(x + y + math.inf), TarvexError, None),
]


@pytest.mark.parametrize("call,exc,text", BAD)
def test_refused_objective_leaves_the_old_one_whole(m, xyz, call, exc, text):
    x, y, _ = xyz
    m.setObjective(x * x + 2 * x * y + 3 * y + 4, TVX.MAXIMIZE)
    before = objective(m), quad_terms(m.getObjective())
    with pytest.raises(exc) as info:
        call(m, x, y)
    if text is not None:
        assert text in str(info.value)
    assert (objective(m), quad_terms(m.getObjective())) == before


def test_sense_default_is_bound_at_import():
    assert Model.setObjective.__defaults__ == (TVX.MAXINT,)


def test_float_sense_truncates(m, xyz):
    m.setObjective(xyz[0] + 0, -1.7)
    assert int(m.ModelSense) == TVX.MAXIMIZE


# ---- Small models end to end -----------------------------------------------

def build_linear(m, c, A, lo, hi, ub, vtype, sense):
    """min/max c.x s.t. lo <= A x <= hi, 0 <= x <= ub, each row added a
    different way."""
    x = [m.addVar(ub=u, vtype=t, name="x{}".format(j)) for j, (u, t) in enumerate(zip(ub, vtype))]
    for i, row in enumerate(A):
        e = quicksum(a * v for a, v in zip(row, x))
        if i % 3 == 0:
            m.addRange(e, lo[i], hi[i])
        elif i % 3 == 1:
            m.addConstr(e + 1 == [lo[i] + 1, hi[i] + 1])
        else:
            assert lo[i] == -np.inf
            m.addLConstr(e, TVX.LESS_EQUAL, hi[i])
    m.setObjective(quicksum(a * v for a, v in zip(c, x)) + 10, sense)
    return x


LINEAR = {
    # transport-like LP, minimised
    "lp": dict(c=[4, 3, 5, 2], A=[[1, 0, 1, 0], [0, 1, 0, 1], [1, 1, 0, 0], [0, 0, 1, 1]],
               lo=[30, 20, -np.inf, -np.inf], hi=[np.inf, np.inf, 35, 25],
               ub=[1e20] * 4, vtype="CCCC", sense=TVX.MINIMIZE),
    # maximised LP with a range row
    "lp_max": dict(c=[3, 2, 4], A=[[1, 1, 2], [2, 0, 3], [2, 1, 3]],
                   lo=[2, -np.inf, -np.inf], hi=[4, 5, 7],
                   ub=[3, 1e20, 1e20], vtype="CCC", sense=TVX.MAXIMIZE),
    # knapsack-like MIP
    "mip": dict(c=[5, 4, 3, 7], A=[[2, 3, 1, 4], [1, 1, 0, 1], [3, 1, 2, 2]],
                lo=[-np.inf, 1, -np.inf], hi=[10, 2, 12],
                ub=[1, 1, 3, 2], vtype="BBII", sense=TVX.MAXIMIZE),
}


def scipy_optimum(c, A, lo, hi, ub, vtype, sense):
    sign = 1 if sense == TVX.MINIMIZE else -1
    c = sign * np.array(c, float)
    ub = np.minimum(np.array(ub, float), 1e20)
    ub[ub >= 1e20] = np.inf
    if set(vtype) == {"C"}:
        A, lo, hi = np.array(A, float), np.array(lo, float), np.array(hi, float)
        A_ub = np.vstack([A[np.isfinite(hi)], -A[np.isfinite(lo)]])
        b_ub = np.concatenate([hi[np.isfinite(hi)], -lo[np.isfinite(lo)]])
        res = linprog(c, A_ub=A_ub, b_ub=b_ub, bounds=list(zip([0] * len(c), ub)))
    else:
        res = milp(c, constraints=LinearConstraint(A, lo, hi), bounds=Bounds(0, ub),
                   integrality=[0 if t == "C" else 1 for t in vtype])
    assert res.status == 0
    return sign * res.fun + 10


@pytest.mark.parametrize("name,known", [("lp", 170.0), ("lp_max", 20.5), ("mip", 31.0)])
def test_linear_models_match_scipy(m, name, known):
    data = LINEAR[name]
    build_linear(m, **data)
    m.optimize()
    assert m.Status == 1  # optimal
    assert m.ObjVal == pytest.approx(known, abs=1e-6)
    assert m.ObjVal == pytest.approx(scipy_optimum(**data), abs=1e-6)


def test_convex_qp_known_optimum(m):
    """min (x - 1)^2 + (y - 2)^2 over x + y <= 2, stated expanded; and with
    the pair written as y * x the value stays the same."""
    x, y = m.addVar(name="x"), m.addVar(name="y")
    m.addConstr(x + y <= 2)
    m.setObjective(x * x + y * y - 2 * x - 4 * y + 5)
    m.optimize()
    assert m.ObjVal == pytest.approx(0.5, abs=1e-6)
    assert (float(x.X), float(y.X)) == pytest.approx((0.5, 1.5), abs=1e-5)
    # a cross term: min x^2 + xy + y^2 - 3x over x + y <= 2 -> x = 2, y = -1
    # is cut off by y >= 0; on x + y <= 2, y >= 0: x = 1.5, y = 0, value -2.25
    m.setObjective(x * x + y * x + y * y - 3 * x)
    m.optimize()
    assert m.ObjVal == pytest.approx(-2.25, abs=1e-6)
    assert quad_terms(m.getObjective()) == [("x", "x", 1.0), ("x", "y", 1.0), ("y", "y", 1.0)]
