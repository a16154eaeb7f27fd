"""Model.addVar: handles, stored values, columns, argument errors, defaults.

Each request must be one library call: the library applies a call whole or
not at all, so a request the library refuses (a bad type letter, a NaN
bound, a bad column row) must leave no variable behind. A method that first
added the variable and then set its properties would leave one; the error
tables below check the variable count after every refusal.
"""
import math

import numpy as np
import pytest

from didazoda import Column, LinExpr, Model, QuadExpr, TarvexError, TVX, Var

INPUT_ERROR = -2000  # the library refused a value
DEAD = -3  # disposed or empty model

# Three rows holding only x, which is fixed at 0: after a solve, a row's
# activity is the coefficient of whatever else is fixed at 1.
ROWS_LP = """\
Minimize
 obj: x
Subject To
 r0: x <= 10
 r1: x <= 10
 r2: x <= 10
 r3: x >= -10
Bounds
 x = 0
End
"""


@pytest.fixture
def rows_model(model_from_text):
    return model_from_text(ROWS_LP)


def solve(m):
    m.optimize()
    assert m.Status == TVX.OPTIMAL


def values(v):
    return (v.lb, v.ub, v.obj, v.vtype, v.VarName)


# ---- Handles and stored values --------------------------------------------------------------

def test_handles_are_consecutive_and_joined_to_the_model(rows_model):
    m = rows_model
    before = list(m.getVars())
    made = [m.addVar(), m.addVar(name="b"), m.addVar()]
    assert [v.index for v in made] == [1, 2, 3]
    assert all(type(v) is Var for v in made)
    assert m.getVars()[:1] == before and all(a is b for a, b in zip(m.getVars()[1:], made))
    assert m.NumVars == 4
    assert values(made[0]) == (0.0, 1e20, 0.0, b"C", "")
    assert made[1].VarName == "b" and m.getVarByName("b").sameAs(made[1])


class Floaty:
    def __float__(self):
        return 2.5


@pytest.mark.parametrize("args, kwargs, expected", [
    ((), dict(lb=-1.5, ub=2, obj=3, vtype="I", name="x"), (-1.5, 2.0, 3.0, b"I", "x")),
    ((1, 5, -2, "B", "b"), {}, (1.0, 5.0, -2.0, b"B", "b")),
    ((), dict(lb=np.float32(0.5), ub=Floaty(), obj=True), (0.5, 2.5, 1.0, b"C", "")),
    ((), dict(lb=-1e30, ub=float("inf")), (-1e30, math.inf, 0.0, b"C", "")),  # stored as given
    ((), dict(vtype="BIN"), (0.0, 1e20, 0.0, b"B", "")),  # the first letter is the type
    ((), dict(vtype="s"), (0.0, 1e20, 0.0, b"S", "")),
    ((), dict(name=None), (0.0, 1e20, 0.0, b"C", "")),
    ((), dict(name="x y[\u00e9]"), (0.0, 1e20, 0.0, b"C", "x y[\u00e9]")),
])
def test_values_read_back_through_attributes(rows_model, args, kwargs, expected):
    v = rows_model.addVar(*args, **kwargs)
    assert values(v) == expected


# ---- Columns ------------------------------------------------------------------------------

COLUMNS = [
    # (coefficient, row) terms -> coefficient of each row r0..r3
    ([(2.0, 3), (1.0, 1), (4.0, 3)], [0, 1, 0, 6]),  # one row twice: summed
    ([(0.0, 0), (-1.5, 2)], [0, 0, -1.5, 0]),  # a zero is passed on
    ([(1.0, 2), (-1.0, 2), (7.0, 0)], [7, 0, 0, 0]),  # a zero sum too
    ([], [0, 0, 0, 0]),
]


@pytest.mark.parametrize("terms, coefficients", COLUMNS)
def test_column_coefficients_reach_their_rows(rows_model, terms, coefficients):
    m = rows_model
    c = m.getConstrs()
    nz = m.NumNZs
    col = Column([k for k, _ in terms], [c[i] for _, i in terms])
    v = m.addVar(lb=1, ub=1, column=col)
    # Each row holding a term gets one entry, zeros included.
    assert m.NumNZs == nz + len({i for _, i in terms})
    assert col.size() == len(terms)  # the column itself is not changed
    solve(m)
    assert v.X == 1.0
    assert [r.Activity for r in c] == coefficients


def test_column_subclass_is_accepted(rows_model):
    class MyColumn(Column):
        pass

    c = rows_model.getConstrs()
    rows_model.addVar(column=MyColumn([1, 2], [c[0], c[1]]))
    assert rows_model.NumNZs == 4 + 2


def test_column_snapshot_is_taken_before_conversions(rows_model):
    m = rows_model
    c = m.getConstrs()
    col = Column()

    class Clearing:
        def __float__(self):
            col.clear()  # runs while addVar converts the coefficients
            return 3.0

    col.addTerms([1.0], [c[1]])
    coeffs, constrs, _ = col.__reduce__()[1][1]
    coeffs.append(Clearing())
    constrs.append(c[2])
    m.addVar(lb=1, ub=1, column=col)
    assert col.size() == 0 and m.NumNZs == 4 + 2
    solve(m)
    assert [r.Activity for r in c] == [0, 1, 3, 0]


def tamper(c, coeffs=(), constrs=()):
    col = Column()
    lists = col.__reduce__()[1][1]
    lists[0].extend(coeffs)
    lists[1].extend(constrs)
    return col


def dispose_during(m):
    class Disposing:
        def __float__(self):
            m.dispose()
            return 1.0

    return Disposing()


class BadFloat:
    def __float__(self):
        raise ZeroDivisionError("no float")


COLUMN_ERRORS = {
    "another model": (lambda m, c, o: Column([1], [o.getConstrs()[0]]),
                      TarvexError, "an element of another model was given"),
    "never initialised": (lambda m, c, o: Column.__new__(Column), TypeError, "has no len"),
    "unequal lists": (lambda m, c, o: tamper(c, [1.0, 2.0], [c[0]]), ValueError, "unequal"),
    "not a constraint": (lambda m, c, o: tamper(c, [1.0], [m.getVars()[0]]),
                         TarvexError, "Expect a list of constr"),
    "coefficient refuses float": (lambda m, c, o: tamper(c, [BadFloat()], [c[0]]),
                                  ZeroDivisionError, "no float"),
    "coefficient of no number": (lambda m, c, o: tamper(c, ["1"], [c[0]]), TypeError, "str"),
}


@pytest.mark.parametrize("case", sorted(COLUMN_ERRORS))
def test_bad_columns_add_nothing(rows_model, model_from_text, case):
    make, exc, text = COLUMN_ERRORS[case]
    other = model_from_text(ROWS_LP)  # the same rows, another model
    m = rows_model
    col = make(m, m.getConstrs(), other)
    with pytest.raises(exc, match=text):
        m.addVar(column=col)
    assert m.NumVars == 1 and len(m.getVars()) == 1 and m.NumNZs == 4


def test_model_disposed_during_conversion_raises(rows_model):
    m = rows_model
    col = tamper(None, [dispose_during(m)], [m.getConstrs()[0]])
    with pytest.raises(TarvexError) as e:
        m.addVar(column=col)
    assert e.value.errno == DEAD


# ---- Argument errors ------------------------------------------------------------------------

class MyStr(str):
    pass


ARG_ERRORS = [
    (dict(lb=None), TypeError, "NoneType"),
    (dict(ub="1"), TypeError, "str"),
    (dict(obj=[1]), TypeError, "list"),
    (dict(vtype=b"B"), TypeError,
     r"^Argument 'vtype' has incorrect type \(expected str, got bytes\)$"),
    (dict(vtype=MyStr("C")), TypeError,
     r"^Argument 'vtype' has incorrect type \(expected str, got MyStr\)$"),
    (dict(name=5), TypeError, r"^Argument 'name' has incorrect type \(expected str, got int\)$"),
    (dict(column=[1]), TypeError,
     r"^Argument 'column' has incorrect type \(expected didazoda.Column, got list\)$"),
    (dict(vtype=None), TypeError, "encoding without a string argument"),
    (dict(name="\ud800"), UnicodeEncodeError, "surrogates"),
    (dict(lb=None, vtype=5), TypeError, "NoneType"),  # bounds are converted first
    (dict(lbx=1), TypeError, "unexpected keyword argument 'lbx'"),
    ((1, 2, 3, "C", "", None, 7), TypeError, r"takes at most 6 positional arguments \(7 given\)"),
]


@pytest.mark.parametrize("kwargs, exc, text", ARG_ERRORS)
def test_argument_errors(rows_model, kwargs, exc, text):
    args = kwargs if isinstance(kwargs, tuple) else ()
    kwargs = {} if isinstance(kwargs, tuple) else kwargs
    with pytest.raises(exc, match=text):
        rows_model.addVar(*args, **kwargs)
    assert rows_model.NumVars == 1 and len(rows_model.getVars()) == 1


@pytest.mark.parametrize("kwargs", [
    dict(vtype=""),  # passes the type byte 0
    dict(vtype="Z"),
    dict(lb=math.nan),
    dict(obj=math.inf),
    dict(name="named", column=None, ub=math.nan),
])
def test_library_refusals_add_nothing(rows_model, kwargs):
    with pytest.raises(TarvexError) as e:
        rows_model.addVar(**kwargs)
    assert e.value.errno == INPUT_ERROR
    assert rows_model.NumVars == 1 and len(rows_model.getVars()) == 1


@pytest.mark.parametrize("make", [
    lambda: Model.__new__(Model),
    lambda: Model(empty=True),
    lambda: (lambda m: (m.dispose(), m)[1])(Model()),
])
def test_dead_model_raises_without_reaching_the_library(make):
    m = make()
    with pytest.raises(TarvexError) as e:
        m.addVar()
    assert e.value.errno == DEAD


# ---- Binding, defaults and listing ------------------------------------------------------------

def test_defaults_are_fixed_at_import():
    defaults = Model.addVar.__defaults__
    assert defaults == (0.0, 1e20, 0.0, "C", "", None)
    assert [type(d) for d in defaults] == [float, float, float, str, str, type(None)]
    saved = TVX.INFINITY, TVX.CONTINUOUS
    m = Model()
    try:
        TVX.INFINITY, TVX.CONTINUOUS = 5.0, "I"
        v = m.addVar()
        assert (v.ub, v.vtype) == (1e20, b"C")
        assert Model.addVar.__defaults__ == defaults
    finally:
        TVX.INFINITY, TVX.CONTINUOUS = saved
        m.dispose()


def test_binding_and_listing():
    f = Model.__dict__["addVar"]
    assert (f.__name__, f.__qualname__, f.__module__) == ("addVar", "Model.addVar", "didazoda")
    assert f.__code__.co_varnames == ("self", "lb", "ub", "obj", "vtype", "name", "column")
    assert "addVar" in dir(Model)
    lines = [line.strip() for line in f.__doc__.splitlines()]
    assert lines[lines.index("SIGNATURE:") + 1] == \
        "addVar(lb=0, ub=float('inf'), obj=0, vtype='C', name='', column=None)"


# ---- Values after a solve -------------------------------------------------------------------

def test_getvalue_after_a_solve_of_a_model_read_from_a_file(rows_model):
    m = rows_model
    c = m.getConstrs()
    # The rows leave y and z free within their bounds; the objective puts
    # them at distinct non-zero values.
    y = m.addVar(lb=-3, ub=1.5, obj=-1, name="y", column=Column([1], [c[0]]))
    z = m.addVar(lb=-2.5, ub=4, obj=1, name="z", column=Column([2, 1], [c[1], c[3]]))
    solve(m)
    assert (y.X, z.X) == (1.5, -2.5)
    e = LinExpr([2, -3], [y, z])
    e.addConstant(0.25)
    assert e.getValue() == 2 * 1.5 - 3 * -2.5 + 0.25
    q = QuadExpr(e)
    q.addTerms([4, -1], [y, z], [z, z])
    assert q.getValue() == e.getValue() + 4 * 1.5 * -2.5 - 1 * -2.5 * -2.5
