"""Operators of Operand (dispatch by operand kind) and the text of expressions.

Arithmetic is checked against an independent evaluator: every operand is
evaluated at one point where the variables take distinct non-zero values,
reading expressions only through their accessors. Variables for arithmetic
are Var handles of no model (support.make_var); the text needs names, so it uses the variables of a model
read from an LP file, or a Var subclass that answers VarName itself.
"""
import gc
import numbers
import operator
import sys
from decimal import Decimal
from fractions import Fraction

import numpy as np
import pytest
import scipy.sparse as sp

import didazoda
from didazoda import LinExpr, Operand, QuadExpr, TarvexError, Var

from support import expr_readers, handle_fields, make_var, set_handle_fields, value, vars_by_name

x, y, z, w = make_var(1), make_var(2), make_var(3), make_var(0)
name, lin, quad = expr_readers({"x": x, "y": y, "z": z, "w": w})


def snapshot(o):
    """Everything an operator could change in an operand."""
    if isinstance(o, QuadExpr):
        return quad(o)
    if isinstance(o, LinExpr):
        return lin(o)
    if isinstance(o, Var):
        return o.index
    return o


def base_lin():
    """2 x - 3 y + 1.5, built without operators."""
    e = LinExpr([2.0, -3.0], [x, y])
    e.addConstant(1.5)
    return e


def base_quad():
    """1.5 x y - 2 y y + 4 z - 0.5, built without operators."""
    q = QuadExpr(LinExpr([4.0], [z]))
    q.addTerms([1.5, -2.0], [x, y], [y, y])
    q.addConstant(-0.5)
    return q


def typed_lin(e):
    terms, constant = lin(e)
    return [(type(c), c, v) for c, v in terms], constant, str(constant)


def odd_lin():
    """Coefficients that are no floats, and a constant of -0.0."""
    e = LinExpr([Fraction(1, 3), 2], [z, x])
    e.addConstant(-0.0)
    return e


# Var and LinExpr differences are served without making -b: the same terms,
# order and coefficient objects as a + (-b).
@pytest.mark.parametrize("a", [lambda: x, base_lin, odd_lin, LinExpr], ids=["var", "lin", "odd", "empty"])
@pytest.mark.parametrize("b", [lambda: y, lambda: x, base_lin, odd_lin, LinExpr],
                         ids=["var", "same-var", "lin", "odd", "empty"])
def test_difference_is_the_sum_with_the_negation(a, b):
    left, right = a(), b()
    assert typed_lin(left - right) == typed_lin(left + (-right))
    assert type(left - right) is LinExpr


def type_error(op, a, b):
    return f"unsupported operand type(s) for {op}: `{a}` and `{b}`"


# ---- The dispatch table ----------------------------------------------------------------------

OPERANDS = {
    "int": lambda: 3,
    "float": lambda: -2.5,
    "Fraction": lambda: Fraction(3, 4),
    "float64": lambda: np.float64(1.25),
    "int32": lambda: np.int32(-4),
    "Var": lambda: x,
    "LinExpr": base_lin,
    "QuadExpr": base_quad,
}
DEGREE = {"Var": 1, "LinExpr": 1, "QuadExpr": 2}
OPS = {"+": operator.add, "-": operator.sub, "*": operator.mul, "/": operator.truediv}
CASES = [(op, a, b) for op in OPS for a in OPERANDS for b in OPERANDS if a in DEGREE or b in DEGREE]


def outcome(op, a, b):
    """(result class, None) or (TypeError, exact message or None for the interpreter's)."""
    da, db = DEGREE.get(a, 0), DEGREE.get(b, 0)
    if op == "/":
        if a not in DEGREE or b in DEGREE:
            return TypeError, None
        return (QuadExpr if da == 2 else LinExpr), None
    if op == "*":
        if da + db > 2:
            return TypeError, type_error("*", a, b)
        return (QuadExpr if da + db == 2 else LinExpr), None
    return (QuadExpr if 2 in (da, db) else LinExpr), None


@pytest.mark.parametrize("op, a_kind, b_kind", CASES)
def test_operator_table(op, a_kind, b_kind):
    a, b = OPERANDS[a_kind](), OPERANDS[b_kind]()
    before = snapshot(a), snapshot(b)
    expected, message = outcome(op, a_kind, b_kind)
    if expected is TypeError:
        with pytest.raises(TypeError) as info:
            OPS[op](a, b)
        if message:
            assert str(info.value) == message
    else:
        result = OPS[op](a, b)
        assert type(result) is expected
        assert result is not a and result is not b
        assert value(result) == pytest.approx(OPS[op](value(a), value(b)))
    assert (snapshot(a), snapshot(b)) == before


@pytest.mark.parametrize("number", [True, Decimal("0.5"), np.float32(0.5), np.uint8(3), Fraction(-1, 3)])
def test_every_number_kind_is_a_number(number):
    for result, expected in [(x + number, value(x) + float(number)),
                             (number + x, value(x) + float(number)),
                             (number - x, float(number) - value(x)),
                             (x * number, value(x) * float(number)),
                             (number * base_quad(), value(base_quad()) * float(number))]:
        assert value(result) == pytest.approx(expected)
    assert lin(x + number) == ([(1.0, "x")], float(number))


@pytest.mark.parametrize("build, expected", [
    (lambda: x + y, ([(1.0, "x"), (1.0, "y")], 0.0)),
    (lambda: y + x, ([(1.0, "y"), (1.0, "x")], 0.0)),
    (lambda: x + x, ([(1.0, "x"), (1.0, "x")], 0.0)),
    (lambda: x + base_lin(), ([(2.0, "x"), (-3.0, "y"), (1.0, "x")], 1.5)),
    (lambda: base_lin() + x, ([(2.0, "x"), (-3.0, "y"), (1.0, "x")], 1.5)),
    (lambda: x - y, ([(-1.0, "y"), (1.0, "x")], 0.0)),
    (lambda: x - x, ([(-1.0, "x"), (1.0, "x")], 0.0)),
    (lambda: 5 - x, ([(-1.0, "x")], 5.0)),
    (lambda: -x, ([(-1.0, "x")], 0.0)),
    (lambda: -base_lin(), ([(-2.0, "x"), (3.0, "y")], -1.5)),
    (lambda: x + 0, ([(1.0, "x")], 0.0)),
    (lambda: x * 0, ([], 0.0)),
    (lambda: (2 * x + 3) * 0, ([], 0.0)),
    (lambda: 2 * x, ([(2.0, "x")], 0.0)),
    (lambda: x / 4, ([(0.25, "x")], 0.0)),
    (lambda: x.__radd__(2), ([(1.0, "x")], 2.0)),
    (lambda: x.__rsub__(2), ([(-1.0, "x")], 2.0)),
    (lambda: x.__rmul__(3), ([(3.0, "x")], 0.0)),
])
def test_linear_results_keep_term_order(build, expected):
    result = build()
    assert type(result) is LinExpr and lin(result) == expected


@pytest.mark.parametrize("build, expected", [
    (lambda: x * y, ([(1.0, "x", "y")], [], 0.0)),
    (lambda: x * w, ([(1.0, "w", "x")], [], 0.0)),  # the smaller index first
    (lambda: x ** 2, ([(1.0, "x", "x")], [], 0.0)),
    (lambda: (x + 1) ** 2, ([(1.0, "x", "x")], [(1.0, "x"), (1.0, "x")], 1.0)),
    (lambda: (2 * x + 3) * (4 * y + 5), ([(8.0, "x", "y")], [(12.0, "y"), (10.0, "x")], 15.0)),
    (lambda: QuadExpr(x) + 1, ([], [(1.0, "x")], 1.0)),
    (lambda: base_quad() * 0, ([], [], 0.0)),
    (lambda: -(x * y), ([(-1.0, "x", "y")], [], 0.0)),
    (lambda: x * y - z, ([(1.0, "x", "y")], [(-1.0, "z")], 0.0)),
])
def test_quadratic_results(build, expected):
    result = build()
    assert type(result) is QuadExpr and quad(result) == expected


@pytest.mark.parametrize("exponent", [2, 2.0, np.int64(2), np.float32(2.0), Fraction(2), Decimal(2)])
def test_power_of_two(exponent):
    assert quad(x ** exponent) == quad(x * x)
    e = base_lin()
    assert value(e ** exponent) == pytest.approx(value(e) ** 2)
    assert quad(pow(x, exponent, 7)) == quad(x * x)


@pytest.mark.parametrize("build, error, message", [
    (lambda: x ** 3, TarvexError, "`Var` can only be raised to a power of two"),
    (lambda: x ** True, TarvexError, "`Var` can only be raised to a power of two"),
    (lambda: x ** 2.5, TarvexError, "`Var` can only be raised to a power of two"),
    (lambda: x ** y, TarvexError, "`Var` can only be raised to a power of two"),
    (lambda: x ** "2", TarvexError, "`Var` can only be raised to a power of two"),
    (lambda: base_quad() ** 3, TarvexError, "`QuadExpr` can only be raised to a power of two"),
    (lambda: (x * y) ** 2, TypeError, "unsupported operand type(s) for ** or pow(): `QuadExpr` and 'int'"),
    (lambda: (x * y) ** 2.0, TypeError, "unsupported operand type(s) for ** or pow(): `QuadExpr` and 'int'"),
    (lambda: Operand() ** 2, TypeError, "unsupported operand type(s) for ** or pow(): `Operand` and 'int'"),
    (lambda: 2 ** x, TypeError, None),
    (lambda: x / 0, ZeroDivisionError, "float division"),
    (lambda: x / 0.0, ZeroDivisionError, "float division"),
    (lambda: base_lin() / -0.0, ZeroDivisionError, "float division"),
    (lambda: x / y, TypeError, None),
    (lambda: x / "2", TypeError, None),
    (lambda: 2 / x, TypeError, None),
    (lambda: x @ y, TypeError, type_error("@", "Var", "Var")),
    (lambda: base_quad() @ np.eye(2), TypeError, type_error("@", "QuadExpr", "ndarray")),
    (lambda: "s" @ x, TypeError, type_error("@", "str", "Var")),
    (lambda: x.__rmatmul__(5), TypeError, type_error("@", "int", "Var")),
    (lambda: x + "s", TypeError, type_error("+", "Var", "str")),
    (lambda: "s" + x, TypeError, type_error("+", "Var", "str")),
    (lambda: x - "s", TypeError, type_error("-", "Var", "str")),
    (lambda: "s" - x, TypeError, type_error("+", "LinExpr", "str")),
    (lambda: x * "s", TypeError, type_error("*", "Var", "str")),
    (lambda: x * y * z, TypeError, type_error("*", "QuadExpr", "Var")),
    (lambda: x + sp.csr_matrix((2, 2)), TypeError, type_error("+", "Var", "csr_matrix")),
    (lambda: x + 1j, TypeError, None),
    (lambda: x * 1j, TypeError, None),
    (lambda: Operand() + 1, TypeError, type_error("+", "Operand", "int")),
    (lambda: Operand() - 1, TypeError, type_error("-", "Operand", "int")),
    (lambda: Operand() * 1, TypeError, type_error("*", "Operand", "int")),
    (lambda: 1 - Operand(), TypeError, "bad operand type for unary -: `Operand`"),
    (lambda: -Operand(), TypeError, "bad operand type for unary -: `Operand`"),
    (lambda: hash(x + 1), TypeError, "unsupported operand type(s) for hash(): `LinExpr`"),
    (lambda: x < 1, TypeError, None),
    (lambda: x > y, TypeError, None),
    (lambda: +x, TypeError, None),
    (lambda: abs(x), TypeError, None),
    (lambda: x // 2, TypeError, None),
    (lambda: x % 2, TypeError, None),
    (lambda: x == [1, 2, 3], ValueError, "`=` expect an array with 2 elements: [ LHS, RHS ]"),
    (lambda: x == {}, ValueError, "`=` expect an array with 2 elements: [ LHS, RHS ]"),
    (lambda: x == None, TypeError, None),  # noqa: E711 - None is array-like: len(None) fails
])
def test_refusals(build, error, message):
    with pytest.raises(error) as info:
        build()
    if message:
        assert str(info.value) == message


def test_subtraction_keeps_the_cause_as_context():
    with pytest.raises(TypeError) as info:
        x - "s"
    assert isinstance(info.value.__context__, TypeError)
    assert str(info.value.__context__) != str(info.value)


def test_comparisons_without_truth_value_of_their_own():
    assert (x != y) is False and (x != 5) is False and (base_quad() != x) is False
    assert isinstance(x == y, didazoda.TempConstr) and isinstance(5 <= x, didazoda.TempConstr)


# ---- Operands with no cells to combine, and the array seam ---------------------------------

class Plain:
    pass


NO_CELLS = [None, {}, {1: 2}, set(), frozenset(), Plain(), (i for i in range(2)), didazoda.Constr(),
            didazoda.PsdVar(), np.bool_(True)]


@pytest.mark.parametrize("other", NO_CELLS, ids=lambda o: type(o).__name__)
def test_array_likes_without_cells_are_refused(other):
    kind = type(other).__name__
    e, q = base_lin(), base_quad()
    for build, op, left in [(lambda: x + other, "+", "Var"), (lambda: other + x, "+", "Var"),
                            (lambda: e + other, "+", "LinExpr"), (lambda: q + other, "+", "QuadExpr"),
                            (lambda: x * other, "*", "Var"), (lambda: e * other, "*", "LinExpr"),
                            (lambda: q * other, "*", "QuadExpr")]:
        with pytest.raises(TypeError) as info:
            build()
        assert str(info.value) == type_error(op, left, kind)
    with pytest.raises(TypeError, match=r"^unsupported operand type\(s\) for -: `Var` and "):
        x - other
    assert lin(e) == lin(base_lin()) and quad(q) == quad(base_quad())


@pytest.mark.parametrize("build", [
    lambda: x + [1, 2],
    lambda: [1, 2] + x,
    lambda: (1.0, 2.0) * x,
    lambda: np.array([1.0, 2.0]) + x,
    lambda: np.array([1.0, 2.0]) * base_lin(),
    lambda: base_quad() + np.zeros(3),
    lambda: base_lin() * range(3),
    lambda: x + np.array(3.0),
])
def test_array_operands_reach_the_array_kernels(build):
    assert isinstance(build(), (didazoda.MLinExpr, didazoda.MQuadExpr))


# ---- In-place operators of the expressions ---------------------------------------------------

@pytest.mark.parametrize("make, other", [
    (base_lin, lambda: 2), (base_lin, lambda: x), (base_lin, base_lin),
    (base_quad, lambda: x), (base_quad, base_lin), (base_quad, base_quad), (base_quad, lambda: 0.5),
])
def test_in_place_subtraction(make, other):
    e, o = make(), other()
    expected = value(e) - value(o)
    o_before = snapshot(o)
    alias = e
    e -= o
    assert e is alias and value(e) == pytest.approx(expected)
    assert snapshot(o) == o_before


@pytest.mark.parametrize("make", [base_lin, base_quad])
def test_in_place_subtraction_of_itself_keeps_every_term(make):
    e = make()
    n = e.size()
    e -= e
    assert e.size() == 2 * n and value(e) == pytest.approx(0, abs=1e-12)
    constant = e.getConstant() if isinstance(e, LinExpr) else e.getLinExpr().getConstant()
    assert constant == 0.0


def test_in_place_refusals_change_nothing():
    e = base_lin()
    with pytest.raises(TypeError) as info:
        e -= base_quad()
    assert str(info.value) == "unsupport operation +=: `LinExpr` and `QuadExpr`"
    with pytest.raises(TypeError):
        e -= "a"
    assert lin(e) == lin(base_lin())


def test_var_in_place_operators_rebind():
    v = x
    v -= y
    assert type(v) is LinExpr and lin(v) == ([(-1.0, "y"), (1.0, "x")], 0.0)
    v = x
    v *= 2
    assert lin(v) == ([(2.0, "x")], 0.0) and x.index == 1


# ---- Hostile operands and subclasses ---------------------------------------------------------

@numbers.Number.register
class BadFloat:
    def __float__(self):
        raise ValueError("no float")


class BadPriority:
    @property
    def __array_priority__(self):
        raise RuntimeError("priority")


class BadNeg:
    def __neg__(self):
        raise ValueError("no negative")


class Interrupting:
    def __neg__(self):
        raise KeyboardInterrupt


class Exponent:
    def __init__(self, result):
        self.result = result

    def __ne__(self, other):
        if isinstance(self.result, Exception):
            raise self.result
        return self.result


def test_hostile_operands():
    with pytest.raises(ValueError, match="^no float$"):
        x + BadFloat()
    with pytest.raises(ValueError, match="^no float$"):
        BadFloat() * base_lin()
    # A failing priority lookup counts as absent: the object is array-like without cells.
    with pytest.raises(TypeError) as info:
        x + BadPriority()
    assert str(info.value) == type_error("+", "Var", "BadPriority")
    with pytest.raises(TypeError) as info:
        x - BadNeg()
    assert str(info.value) == type_error("-", "Var", "BadNeg")
    assert str(info.value.__context__) == "no negative"
    with pytest.raises(KeyboardInterrupt):
        x - Interrupting()
    assert quad(x ** Exponent(False)) == quad(x * x)
    with pytest.raises(TarvexError):
        x ** Exponent(True)
    with pytest.raises(LookupError):
        x ** Exponent(LookupError())

    class BadLen(list):
        def __len__(self):
            raise RuntimeError("no len")

    with pytest.raises(RuntimeError, match="^no len$"):
        x == BadLen([1, 2])


def test_operand_that_changes_the_expression_while_negated():
    e = base_lin()

    class Mutating:
        def __neg__(self):
            e.clear()
            e.addTerms(5.0, z)
            return 1

    result = e - Mutating()
    assert lin(result) == ([(5.0, "z")], 1.0) and lin(e) == ([(5.0, "z")], 0.0)


def test_number_subclasses_and_int_like_objects():
    class Int(int):
        pass

    class F(float):
        def __neg__(self):
            return F(0.0)

    assert lin(x + Int(2)) == ([(1.0, "x")], 2.0)
    assert lin(F(1.5) * x) == ([(1.5, "x")], 0.0)
    assert lin(x - F(1.5)) == ([(1.0, "x")], 0.0)  # the operand's own negation


def test_subclass_overrides_are_honoured():
    calls = []

    class Tracing(LinExpr):
        def __add__(self, other):
            calls.append(("+", other))
            return super().__add__(other)

        def __mul__(self, other):
            calls.append(("*", other))
            return super().__mul__(other)

    t = Tracing(x)
    assert lin(3 + t) == ([(1.0, "x")], 3.0)
    assert lin(2 * t) == ([(2.0, "x")], 0.0)
    assert lin(t / 4) == ([(0.25, "x")], 0.0)
    assert lin(-t) == ([(-1.0, "x")], 0.0)
    assert calls == [("+", 3), ("*", 2), ("*", 0.25), ("*", -1)]


def test_operands_keep_their_reference_counts():
    v, e, q, s = make_var(5), base_lin(), base_quad(), "".join(["s", "!"])
    # A sum may append its terms behind those of its left operand's term list,
    # which then holds them until it goes: counts are compared after one round.
    for rounds in (1, 3):
        if rounds == 3:
            gc.collect()
            before = [sys.getrefcount(o) for o in (v, e, q, s)]
        _build_every_kind_of_result(v, e, q, s, rounds)
    gc.collect()
    assert [sys.getrefcount(o) for o in (v, e, q, s)] == before


def _build_every_kind_of_result(v, e, q, s, rounds):
    for _ in range(rounds):
        for build in (lambda: v + e, lambda: q - v, lambda: e * e, lambda: 2 - q, lambda: e ** 2,
                      lambda: v <= e, lambda: q == 1, lambda: v == [1, 2]):
            build()
        for build in (lambda: v - s, lambda: s + q, lambda: e * q, lambda: v ** 3, lambda: e / s,
                      lambda: v + None, lambda: e @ s):
            with pytest.raises((TypeError, TarvexError)):
                build()


# ---- Class surface ---------------------------------------------------------------------------

def test_operand_class_surface():
    assert type(Operand) is type and "Operand" not in didazoda.__all__
    members = set(dir(Operand))
    assert {"__add__", "__sub__", "__mul__", "__truediv__", "__pow__", "__neg__", "__matmul__",
            "__radd__", "__rsub__", "__rmul__", "__rmatmul__", "__le__", "__ge__", "__eq__",
            "__hash__"} <= members
    assert not {"__pos__", "__abs__", "__floordiv__", "__mod__", "__iadd__", "__isub__",
                "__imul__"} & members
    for reflected in ("__radd__", "__rsub__", "__rmul__", "__rmatmul__"):
        method = getattr(Operand, reflected)
        assert method.__doc__ is None
        with pytest.raises(TypeError):
            method(x)
        with pytest.raises(TypeError):
            method(x, 1, 2)
    for cls in (Var, LinExpr, QuadExpr):
        assert not {"__add__", "__radd__", "__neg__", "__eq__"} & set(vars(cls))
    assert not isinstance(didazoda.TempConstr(), Operand)


# ---- Text of expressions ---------------------------------------------------------------------

LP = """Minimize
 obj: x
Subject To
 c0: x + y + z + b >= 0
Bounds
 x <= 10
Binary
 b
End
"""


@pytest.fixture(scope="module")
def mv(model_from_text):
    """x, y, z, b: variables of a model read from an LP file (b binary), with their names."""
    model = model_from_text(LP)
    return model, vars_by_name(model)


class Named(Var):
    """A Var whose VarName is whatever the test gives it (handles keep no attributes)."""

    labels = {}

    def getAttr(self, attrname):
        return Named.labels[id(self)][1]


def named(label, index=7):
    v = make_var(index, Named)
    Named.labels[id(v)] = (v, label)
    return v


def frac_quad(x, y):
    q = QuadExpr()
    q.addTerms([Fraction(1, 3), Fraction(-1), Fraction(1), 0], [x, x, y, y], [y, x, x, y])
    return q


@pytest.mark.parametrize("build, text", [
    (lambda x, y, z: LinExpr(), "<LinExpr: >"),
    (lambda x, y, z: LinExpr(5), "<LinExpr: 5.0>"),
    (lambda x, y, z: LinExpr(-5), "<LinExpr: - 5.0>"),
    (lambda x, y, z: 2 * x + 3, "<LinExpr: 2.0 * x + 3.0>"),
    (lambda x, y, z: -x + 3 * y - 1, "<LinExpr: - x + 3.0 * y - 1.0>"),
    (lambda x, y, z: x + x, "<LinExpr: x + x>"),
    (lambda x, y, z: LinExpr([1, -1, 0.5, -2.5], [x, y, z, x]), "<LinExpr: x - y + 0.5 * z - 2.5 * x>"),
    (lambda x, y, z: LinExpr([float("nan")], [x]), "<LinExpr: - nan * x>"),
    (lambda x, y, z: (x + y - 0.0).__imul__(0), "<LinExpr: >"),
    (lambda x, y, z: (x - y + 2).__imul__(-0.0), "<LinExpr: >"),
    (lambda x, y, z: x / 3, f"<LinExpr: {1 / 3} * x>"),
    (lambda x, y, z: QuadExpr(), "<QuadExpr: >"),
    (lambda x, y, z: x * x, "<QuadExpr: x ^ 2>"),
    (lambda x, y, z: 2 * x * x + 3 * x * y, "<QuadExpr: 2.0 * x ^ 2 + 3.0 * x * y>"),
    (lambda x, y, z: x * x + 2 * y + 1, "<QuadExpr: x ^ 2 + 2.0 * y + 1.0>"),
    (lambda x, y, z: x * x - y + 1, "<QuadExpr: x ^ 2 - y + 1.0>"),
    (lambda x, y, z: -(x * y) - z, "<QuadExpr: - x * y - z>"),
    (lambda x, y, z: QuadExpr(-x + 1), "<QuadExpr: - x + 1.0>"),
    (lambda x, y, z: QuadExpr(LinExpr(2)), "<QuadExpr: 2.0>"),
    (lambda x, y, z: QuadExpr().__iadd__(-2), "<QuadExpr: - 2.0>"),
    (lambda x, y, z: QuadExpr(x) * 0, "<QuadExpr: >"),
    (lambda x, y, z: frac_quad(x, y), "<QuadExpr: 1/3 * x * y - x ^ 2 + y * x>"),
])
def test_expression_text(mv, build, text):
    found = mv[1]
    e = build(found["x"], found["y"], found["z"])
    assert str(e) == repr(e) == text


def test_long_texts_are_shortened_in_the_middle():
    names = [f"v{i:03d}" for i in range(80)]
    e = LinExpr([1.0] * 80, [named(n, i) for i, n in enumerate(names)])
    body = " + ".join(names)
    short = body[:123] + " ... " + body[-123:]
    assert str(e) == f"<LinExpr: {short}>" and len(short) == 251
    # The linear part is shortened within its own text, then the whole text again.
    q = QuadExpr(e)
    q.addTerms(2.0, named("p", 90), named("r", 91))
    whole = "2.0 * p * r + " + short
    assert str(q) == "<QuadExpr: " + whole[:123] + " ... " + whole[-123:] + ">"


@pytest.mark.parametrize("length, shortened", [(250, False), (251, True)])
def test_shortening_starts_above_250_characters(length, shortened):
    label = "a" * (length - 4) + "tail"
    text = str(LinExpr(1, named(label)))[len("<LinExpr: "):-1]
    assert text == (label[:123] + " ... " + label[-123:] if shortened else label)


@pytest.mark.parametrize("label, coeff, text", [
    ("", 1, "<LinExpr: 1.0>"),
    ("", -1, "<LinExpr: - 1.0>"),
    ("", 2, "<LinExpr: 2.0>"),
    (None, 2, "<LinExpr: 2.0>"),
    ("long name", -1, "<LinExpr: - long name>"),
])
def test_odd_variable_names(label, coeff, text):
    assert str(LinExpr(coeff, named(label))) == text


def test_text_failures():
    for label, type_name in [(5, "int"), (b"x", "bytes")]:
        for e in (LinExpr(2, named(label)), named("a") * named(label, 8)):
            with pytest.raises(TypeError) as info:
                str(e)
            assert str(info.value) == f"Expected unicode, got {type_name}"
    with pytest.raises(TarvexError):
        str(x + 1)  # a model-less variable has no name to read


def test_squares_are_found_by_sameAs(mv):
    xv = mv[1]["x"]
    again = Var()  # another handle of the same variable
    set_handle_fields(again, *handle_fields(xv))
    assert again is not xv and again.sameAs(xv)
    assert str(xv * again) == "<QuadExpr: x ^ 2>"
    twin = named("x", 1)  # same name, another variable
    assert str(named("x", 2) * twin) == "<QuadExpr: x * x>"


def test_text_of_subclasses_goes_through_their_methods():
    class Short(LinExpr):
        def size(self):
            return 1

    class Shouting(QuadExpr):
        def __str__(self):
            return "LOUD"

    s = Short([1, 2], [named("a"), named("b", 8)])
    assert str(s) == "<LinExpr: a>"
    assert repr(Shouting()) == "LOUD"

    class Lying(LinExpr):
        def size(self):
            return 5

    with pytest.raises(IndexError):
        str(Lying(named("a")))
