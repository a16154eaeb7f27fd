"""Model files as other programs write them: integer columns between markers,
and fixed-form files whose fields are written too wide."""
import pytest

import didazoda
from didazoda import TVX, TarvexError

INF = 1e20

HEAD = """NAME          intcol
ROWS
 N  obj
 L  c1
COLUMNS
    MARKER                 'MARKER'                 'INTORG'
    x         obj       -1           c1        1
    MARKER                 'MARKER'                 'INTEND'
    y         obj       0            c1        1
RHS
    RHS       c1        10
BOUNDS
"""


# x is integer from its markers; min -x reaches its upper bound (the row caps it at 10).
@pytest.mark.parametrize("bounds, vtype, lb, ub, objval", [
    ([], b"I", 0, 1, -1),                             # no bound line: binary in effect
    ([" UP BND       x         5"], b"I", 0, 5, -5),
    ([" UP BND       x         2.5"], b"I", 0, 2.5, -2),
    ([" UP BND       x         0"], b"I", 0, 0, 0),
    ([" LO BND       x         2"], b"I", 2, INF, -10),
    ([" LO BND       x         2", " UP BND       x         5"], b"I", 2, 5, -5),
    ([" BV BND       x"], b"B", 0, 1, -1),
    ([" LI BND       x         -3"], b"I", -3, INF, -10),
    ([" UI BND       x         7"], b"I", 0, 7, -7),
    ([" FR BND       x"], b"I", -INF, INF, -10),
    ([" MI BND       x"], b"I", -INF, INF, -10),
    ([" PL BND       x"], b"I", 0, INF, -10),
    ([" FX BND       x         4"], b"I", 4, 4, -4),
    ([" UP BND       y         3"], b"I", 0, 1, -1),  # a bound of another column
])
def test_integer_column_bounds(model_from_text, tmp_path, bounds, vtype, lb, ub, objval):
    m = model_from_text(HEAD + "".join(b + "\n" for b in bounds) + "ENDATA\n", "intcol.mps")
    x = m.getVarByName("x")
    assert (x.VType, x.LB, x.UB) == (vtype, lb, ub)
    m.optimize()
    assert m.Status == TVX.Status.OPTIMAL and m.ObjVal == pytest.approx(objval)
    # What we write reads back with the same bounds.
    out = tmp_path / "again.mps"
    m.write(str(out))
    m2 = didazoda.read(str(out))
    x2 = m2.getVarByName("x")
    assert (x2.LB, x2.UB) == (lb, ub)


def test_binary_knapsack_from_markers_alone(model_from_text):
    weights, values = [12, 2, 1, 1, 4, 7], [4, 2, 1, 2, 10, 7]
    cols = "".join(f"    i{k}        obj       {-v}           cap       {w}\n"
                   for k, (w, v) in enumerate(zip(weights, values)))
    m = model_from_text("NAME knap\nROWS\n N  obj\n L  cap\nCOLUMNS\n"
                        "    MARKER                 'MARKER'                 'INTORG'\n" + cols +
                        "    MARKER                 'MARKER'                 'INTEND'\n"
                        "RHS\n    RHS       cap       15\nENDATA\n", "knap.mps")
    m.optimize()
    # Items 1..5 weigh 15 and are worth 22; with [0, inf) columns it would be far lower.
    assert m.ObjVal == pytest.approx(-22)
    assert [round(v.X) for v in m.getVars()] == [0, 1, 1, 1, 1, 1]


FIXED = """NAME          fixed
ROWS
 N  COST
 L  ROW ONE
COLUMNS
    X ONE     COST      {cost:>12}   ROW ONE   1
RHS
    RHS       ROW ONE   4
ENDATA
"""


def test_fixed_form_names_with_blanks_are_read(model_from_text):
    m = model_from_text(FIXED.format(cost="-1"), "fixed.mps")
    assert [v.VarName for v in m.getVars()] == ["X ONE"]
    assert m.getConstrs()[0].ConstrName == "ROW ONE"
    m.optimize()
    assert m.ObjVal == pytest.approx(-4)


# A value too wide for its field is refused at read(), never cut to fit.
@pytest.mark.parametrize("text", [
    FIXED.format(cost="-1").replace("COST      " + " " * 10 + "-1", "COST      " + " " * 9 + "-1e999"),
    FIXED.format(cost="1e999"),
    "NAME x\nROWS\n N obj\n L c\nCOLUMNS\n    x obj 1e999 c 1\nRHS\n    RHS c 1\nENDATA\n",
])
def test_values_out_of_their_field_or_range_are_refused(tmp_path, text):
    path = tmp_path / "bad.mps"
    path.write_text(text)
    with pytest.raises(TarvexError) as err:
        didazoda.read(str(path))
    assert err.value.errno == TVX.Error.FORMAT_ERROR
