"""Temporary constraints: normal forms, indicator pairs, text, pickling.

Fields are not attributes; they are read from the pickled state, which is
(expr_, lhs_, rhs_). Expressions are compared through their values at a
point where the variables are distinct and non-zero, as in
test_operators.py. Reading an indicator pair back (parseIndicator) is an
internal operation of the model's constraint methods and is tested with them.
"""
import copy
import gc
import pickle

import numpy as np
import pytest

import didazoda
from didazoda import LinExpr, Operand, QuadExpr, TempConstr

from support import make_var, value, vars_by_name

x, y, b = make_var(1), make_var(2), make_var(0)  # 1.5, -2.25 and 0.75 at support.POINT


def fields(t):
    """(expr_, lhs_, rhs_) as the pickled state holds them."""
    rebuild, (cls, state) = t.__reduce__()
    assert rebuild is didazoda._unpickle_TempConstr and cls is type(t)
    return state[:3]


def base_lin():
    e = LinExpr([2.0, -3.0], [x, y])
    e.addConstant(1.5)
    return e


# ---- Normal forms -----------------------------------------------------------------------------

# (constraint, class of expr_, value of expr_ at POINT, lhs_, rhs_)
FORMS = [
    (lambda: x <= 3, LinExpr, 1.5 - 3, None, 0),
    (lambda: 3 >= x, LinExpr, 1.5 - 3, None, 0),
    (lambda: np.float64(3) >= x, LinExpr, 1.5 - 3, None, 0),
    (lambda: x + 1 <= y, LinExpr, 1.5 + 1 + 2.25, None, 0),
    (lambda: x >= y, LinExpr, 1.5 + 2.25, 0, None),
    (lambda: 2 <= base_lin(), LinExpr, 3 + 6.75 + 1.5 - 2, 0, None),
    (lambda: x * y >= 1, QuadExpr, -3.375 - 1, 0, None),
    (lambda: x == 5, LinExpr, 1.5 - 5, 0, 0),
    (lambda: 5 == x, LinExpr, 1.5 - 5, 0, 0),
    (lambda: x == y, LinExpr, 1.5 + 2.25, 0, 0),
    (lambda: base_lin() == x * y, QuadExpr, 3 + 6.75 + 1.5 + 3.375, 0, 0),
    (lambda: x == [None, 10], LinExpr, 1.5 - 10, None, 0),
    (lambda: x == (2, None), LinExpr, 1.5 - 2, 0, None),
    (lambda: TempConstr.new(x, None, 4), LinExpr, 1.5 - 4, None, 0),
    (lambda: TempConstr.new(expr=x, lhs=4, rhs=None), LinExpr, 1.5 - 4, 0, None),
]


@pytest.mark.parametrize("build, cls, expr_value, lhs, rhs", FORMS)
def test_normal_forms(build, cls, expr_value, lhs, rhs):
    t = build()
    assert type(t) is TempConstr
    expr, got_lhs, got_rhs = fields(t)
    assert type(expr) is cls and value(expr) == pytest.approx(expr_value)
    # The moved constant side is the integer 0.
    assert (got_lhs, got_rhs) == (lhs, rhs)
    assert [type(s) for s in (got_lhs, got_rhs)] == [type(lhs), type(rhs)]


@pytest.mark.parametrize("left", [lambda: x, base_lin, lambda: x * y + x], ids=["var", "lin", "quad"])
@pytest.mark.parametrize("right", [lambda: 2.5, lambda: 3, lambda: 2**70, lambda: -0.0, lambda: y,
                                   base_lin, lambda: x * y],
                         ids=["float", "int", "bigint", "minus-zero", "var", "lin", "quad"])
def test_equality_is_the_difference_with_the_right_side_as_numpy_sees_it(left, right):
    a, b = left(), right()
    expr = fields(a == b)[0]
    ref = a - np.asarray(b)
    assert type(expr) is type(ref) and expr.size() == ref.size()
    assert value(expr) == value(ref)


@pytest.mark.parametrize("sides", [[0, 10], (5, 1), np.array([1.5, 2.5]), [np.int32(1), 2.0]],
                         ids=["list", "inverted", "ndarray", "numpy-scalar"])
def test_range_holds_the_expression_itself(sides):
    for e in (x, base_lin(), x * y):
        t = e == sides
        expr, lhs, rhs = fields(t)
        assert expr is e and (lhs, rhs) == (sides[0], sides[1])
        assert (type(lhs), type(rhs)) == (type(sides[0]), type(sides[1]))
    e = base_lin()
    t = TempConstr.new(e, 0, 1)
    e += y
    assert fields(t)[0] is e and e.size() == 3


@pytest.mark.parametrize("build, error, message", [
    (lambda: x == [1, y], TypeError, "range constraint requires numeric values"),
    (lambda: x == ["a", 1], TypeError, "range constraint requires numeric values"),
    (lambda: TempConstr.new(x, 1, 1j + y), TypeError, None),
    (lambda: TempConstr.new(x, None, None), TypeError, "unsupported operand type(s) for -: `Var` and `NoneType`"),
    (lambda: TempConstr.new(x, 1), TypeError, "new() takes exactly 3 positional arguments (2 given)"),
    (lambda: TempConstr.new(x, 1, 2, 3), TypeError, "new() takes exactly 3 positional arguments (4 given)"),
    (lambda: x <= "a", TypeError, "unsupported operand type(s) for -: `Var` and `str`"),
    (lambda: x == [1, 2, 3], ValueError, "`=` expect an array with 2 elements: [ LHS, RHS ]"),
    (lambda: x == None, TypeError, None),  # noqa: E711
])
def test_construction_errors(build, error, message):
    with pytest.raises(error) as info:
        build()
    if message:
        assert str(info.value) == message


def test_every_constraint_is_true():
    for t in (TempConstr(), x <= 1, x == [0, 1], (x == 1) >> (y <= 2)):
        assert bool(t) is True
    assert (x != y) is False
    with pytest.raises(TypeError):
        len(TempConstr())


def test_construction_ignores_its_arguments():
    assert fields(TempConstr(1, 2, k=3)) == (None, None, None)
    assert fields(TempConstr().new(5, None, 3)) == (2, None, 0)


# ---- Indicator pairs -----------------------------------------------------------------------------

def test_indicator_pair_holds_condition_and_consequent():
    cond, cons = b == 1, x + y <= 2
    t = cond >> cons
    assert type(t) is TempConstr and fields(t) == (None, cond, cons)
    assert fields(t)[1] is cond and fields(t)[2] is cons
    assert fields(TempConstr.new(None, cons, cond))[1] is cons

    class Sub(TempConstr):
        pass

    assert fields(cond >> Sub())[2].__class__ is Sub
    nested = t >> t
    assert fields(nested)[1] is t and fields(nested)[2] is t


@pytest.mark.parametrize("build, message", [
    (lambda c: c >> 5, "Argument 'r' has incorrect type (expected didazoda.TempConstr, got int)"),
    (lambda c: c >> x, "Argument 'r' has incorrect type (expected didazoda.TempConstr, got didazoda.Var)"),
    (lambda c: c >> None, None),
    (lambda c: 5 >> c, None),
    (lambda c: b >> c, None),
])
def test_indicator_pair_refusals(build, message):
    with pytest.raises(TypeError) as info:
        build(x + y <= 3)
    if message:
        assert str(info.value) == message


# ---- Text -----------------------------------------------------------------------------------------

LP = """Minimize
 obj: x
Subject To
 c0: x + y + b >= 0
Binary
 b
End
"""


@pytest.fixture(scope="module")
def named(model_from_text):
    return vars_by_name(model_from_text(LP))


def test_text(named):
    x, y, b = named["x"], named["y"], named["b"]
    t = x + y <= 3
    assert str(t).split("\n") == ["TempConstr:", "lhs:", "----", "None", "expr:", "-----",
                                  "<LinExpr: x + y - 3.0>", "rhs:", "----", "0"]
    assert repr(t) == str(t)
    assert str(x == [1.5, 2]).split("\n") == ["TempConstr:", "lhs:", "----", "1.5", "expr:", "-----",
                                             "<Var x>", "rhs:", "----", "2"]
    assert str(TempConstr()).split("\n") == ["(", "  None", ") >> (", "  None", ")"]
    pair = (b == 1) >> (x <= 2)
    lines = str(pair >> TempConstr()).split("\n")
    assert lines[:4] == ["(", "  (", "    TempConstr:", "    lhs:"]
    assert "    <LinExpr: b - 1.0>" in lines and "    <LinExpr: x - 2.0>" in lines
    assert lines[-7:] == [") >> (", "  (", "    None", "  ) >> (", "    None", "  )", ")"]


def test_text_goes_through_str_of_sides_and_subclasses():
    class Loud(TempConstr):
        def __str__(self):
            return "LOUD\nTWICE"

    assert repr(Loud()) == "LOUD\nTWICE"
    assert str(TempConstr.new(None, Loud(), Loud())) == "(\n  LOUD\n  TWICE\n) >> (\n  LOUD\n  TWICE\n)"

    class Bad(TempConstr):
        def __str__(self):
            return 5

    with pytest.raises(TypeError):
        str(TempConstr.new(None, Bad(), TempConstr()))


def test_deep_indicator_chains_neither_crash_nor_overflow(run_python):
    done = run_python("""
        import didazoda
        t = didazoda.TempConstr()
        for _ in range(10**5):
            t = t >> didazoda.TempConstr()
        try:
            str(t)
        except RecursionError:
            print("refused")
        del t
        print("released")
    """)
    assert done.returncode == 0 and done.stdout == "refused\nreleased\n", done.stderr


# ---- Pickling, copying, collection -----------------------------------------------------------------

class SubConstr(TempConstr):
    pass


def test_pickling():
    for t in (TempConstr(), TempConstr.new(5, None, 3), TempConstr.new(None, TempConstr(), TempConstr())):
        back = pickle.loads(pickle.dumps(t))
        assert type(back) is TempConstr and str(back) == str(t)
    assert type(pickle.loads(pickle.dumps(SubConstr()))) is SubConstr
    with pytest.raises(TypeError, match="cannot be converted to a Python object for pickling"):
        pickle.dumps(x <= 1)
    t = base_lin() <= x
    shallow = copy.copy(t)
    assert shallow is not t and all(a is c for a, c in zip(fields(shallow), fields(t)))


@pytest.mark.parametrize("state", [(1, 2), (1, 2, 3, 4, 5), None])
def test_reconstruction_checks_its_state(state):
    with pytest.raises(ValueError):
        didazoda._unpickle_TempConstr(TempConstr, state)
    with pytest.raises(TypeError):
        didazoda._unpickle_TempConstr(LinExpr, (None, None, None, None))


def test_restored_fields_of_any_kind_are_shown():
    t = didazoda._unpickle_TempConstr(TempConstr, ("e", [1], {2: 3}, None))
    assert str(t).split("\n")[3::3] == ["[1]", "e", "{2: 3}"]


def test_cycles_through_a_constraint_are_collected():
    freed = []

    class Canary:
        def __del__(self):
            freed.append(True)

    holder = [Canary()]
    t = didazoda._unpickle_TempConstr(TempConstr, (holder, None, None, None))
    holder.append(t)
    assert gc.is_tracked(t)
    del t, holder
    gc.collect()
    assert freed == [True]


# ---- Class surface ---------------------------------------------------------------------------------

def test_tempconstr_class_surface():
    assert dir(TempConstr) == ["__rrshift__", "__rshift__"]
    assert type(TempConstr).__name__ == "MetaClass"
    assert TempConstr.new.__doc__ is None and "TempConstr" in didazoda.__all__
    assert callable(TempConstr().new) and not issubclass(TempConstr, Operand)
    doc = TempConstr.__doc__
    assert "<=" in doc and ">>" in doc and "[lhs, rhs]" in doc
    for name in ("lhs_", "rhs_", "expr_", "getExpr", "getLhs", "getRhs", "parseIndicator"):
        assert not hasattr(TempConstr(), name)
