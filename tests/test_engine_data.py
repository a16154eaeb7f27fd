"""What reaches an engine: the bounds of integer and semi-integer variables
rounded to integers, semi-variables whose far bound HiGHS would cut sent to
CBC, and data beyond the chosen engine's limits refused alike on every path.
Each model is solved in a forked child (fuzz/runner.py), as some of them
once aborted the interpreter, by the default path, by CBC without a
callback (forced by a set of one member, which always holds) and with one."""
import os
import textwrap

import pytest

from didazoda import TVX
from fuzz.runner import Worker

PATHS = {
    "default": "m.optimize()",
    "cbc": "m.addSOS(TVX.SOS_TYPE1, [m.getVars()[0]], [1]); m.optimize()",
    "callback": "m.optimize(lambda model, where: None)",
}


@pytest.fixture(scope="module")
def worker(tmp_path_factory):
    w = Worker(tmp_path_factory.mktemp("engine_data"))
    yield w
    w.close()


def solve(worker, build, path):
    """[status, objective or None, the first variable's LB and UB], or
    [errno, message] of a TarvexError; a str when the child died or hung."""
    out = os.path.join(worker.directory, "result.json")
    source = "from didazoda import TVX, Model, TarvexError\n" + textwrap.dedent(build) + \
        textwrap.dedent("""
        m.setParam("MaxTime", 20)
        try:
            %s
            x0 = m.getVars()[0]
            result = [int(m.Status), m.ObjVal if m.Status == TVX.OPTIMAL else None,
                      x0.LB, x0.UB]
        except TarvexError as e:
            result = [e.errno, str(e)]
        with open(%r, "w") as f:
            json.dump(result, f)
        """ % (PATHS[path], out))
    return worker.answer("import json\n" + source, out)


# source making m (its first variable the one whose bounds are checked),
# status, objective.
MODELS = {
    # CBC aborted on a fractional bound (CbcSimpleInteger::fillCreateBranch).
    "integer_upper": ("""
        m = Model()
        x = m.addVar(ub=25.5, vtype=TVX.INTEGER)
        m.addConstr(x <= 100)
        m.setObjective(8 * x, TVX.MAXIMIZE)
        """, TVX.OPTIMAL, 200),
    "integer_lower": ("""
        m = Model()
        x = m.addVar(lb=0.2, ub=1, vtype=TVX.INTEGER)
        m.addConstr(x <= 100)
        m.setObjective(8 * x, TVX.MAXIMIZE)
        """, TVX.OPTIMAL, 8),
    # A bound a hair below an integer allows it.
    "integer_upper_a_hair_below": ("""
        m = Model()
        x = m.addVar(ub=25.9999999, vtype=TVX.INTEGER)
        m.setObjective(2 * x, TVX.MAXIMIZE)
        """, TVX.OPTIMAL, 52),
    "semi_integer_with_indicator": ("""
        m = Model()
        x = m.addVar(lb=2, ub=5.5, vtype=TVX.SEMIINT)
        b = m.addVar(vtype=TVX.BINARY)
        m.addGenConstrIndicator(b, True, x <= 4)
        m.setObjective(-x - b, TVX.MINIMIZE)
        """, TVX.OPTIMAL, -5),
    # HiGHS's presolve gave 36 with the fractional bound.
    "highs_presolve": ("""
        m = Model()
        x1 = m.addVar(ub=12.75, vtype=TVX.INTEGER)
        x0 = m.addVar(ub=5, vtype=TVX.INTEGER)
        m.addConstr(4 * x1 + x0 <= 54)
        m.setObjective(5 * x0 + x1, TVX.MAXIMIZE)
        """, TVX.OPTIMAL, 37),
    # No integer in range beside an unbounded relaxation (the callback path
    # failed with error -1).
    "no_integer": ("""
        m = Model()
        x = m.addVar(lb=0.2, ub=0.8, vtype=TVX.INTEGER)
        y = m.addVar(lb=-TVX.INFINITY)
        m.setObjective(x - y, TVX.MAXIMIZE)
        """, TVX.INFEASIBLE, None),
    # A semi-integer variable with no integer in range is 0, not infeasible.
    "semi_integer_only_zero": ("""
        m = Model()
        x = m.addVar(lb=0.2, ub=0.8, vtype=TVX.SEMIINT)
        y = m.addVar(ub=3, vtype=TVX.INTEGER)
        m.addConstr(x + y <= 2.5)
        m.setObjective(x + y, TVX.MAXIMIZE)
        """, TVX.OPTIMAL, 2),
    # HiGHS cut these far bounds to 1e5: INFEASIBLE, and error -1.
    "semi_far_bound_reached": ("""
        m = Model()
        x = m.addVar(lb=2, ub=1e6, vtype=TVX.SEMICONT)
        m.addConstr(x >= 999979.5)
        """, TVX.OPTIMAL, 0),
    "semi_far_bound_above_optimum": ("""
        m = Model()
        y = m.addVar(lb=1, ub=1e7, vtype=TVX.SEMICONT)
        m.addConstr(y <= 2e6)
        m.setObjective(1 * y, TVX.MAXIMIZE)
        """, TVX.OPTIMAL, 2e6),
    "semi_integer_far_below": ("""
        m = Model()
        y = m.addVar(lb=-1e7, ub=-3.5, vtype=TVX.SEMIINT)
        m.addConstr(y >= -2e6 - 0.5)
        m.setObjective(1 * y, TVX.MINIMIZE)
        """, TVX.OPTIMAL, -2e6),
}


@pytest.mark.parametrize("path", sorted(PATHS))
@pytest.mark.parametrize("case", sorted(MODELS))
def test_rounded_bounds_and_far_semi_bounds(worker, case, path):
    build, status, objective = MODELS[case]
    got = solve(worker, build, path)
    assert not isinstance(got, str) and got[0] == status, got
    if objective is not None:
        assert got[1] == pytest.approx(objective, abs=1e-6)


# Data beyond the engines' limits: source, the text the refusal names.
HUGE = {
    # CLP aborted (ClpSimplex::createRim's assertion on costs).
    "objective_with_sos": ("""
        m = Model()
        x = m.addVar(ub=10)
        y = m.addVar(ub=10)
        m.addSOS(TVX.SOS_TYPE1, [x, y], [1, 2])
        m.setObjective(1e25 * x + y, TVX.MAXIMIZE)
        """, "the objective coefficient 1e+25 of variable 0 is beyond %s's limit of 1e+20"),
    # CLP took this feasible model for infeasible.
    "row": ("""
        m = Model()
        x = m.addVar(ub=10, vtype=TVX.INTEGER)
        y = m.addVar(ub=10)
        m.addConstr(1e21 * x + y <= 3e21)
        m.setObjective(x + y, TVX.MAXIMIZE)
        """, "the coefficient 1e+21 of variable 0 in row 0 is beyond %s's limit of 1e+15"),
    # HiGHS took the cost for infinite: OPTIMAL with ObjVal inf.
    "objective_of_lp": ("""
        m = Model()
        x = m.addVar(ub=10)
        y = m.addVar(ub=10)
        m.addConstr(x + y <= 15)
        m.setObjective(1e20 * x + y, TVX.MAXIMIZE)
        """, "the objective coefficient 1e+20 of variable 0 is beyond %s's limit of 1e+20"),
}


@pytest.mark.parametrize("path", sorted(PATHS))
@pytest.mark.parametrize("case", sorted(HUGE))
def test_data_beyond_the_limits_is_refused_alike(worker, case, path):
    build, why = HUGE[case]
    got = solve(worker, build, path)
    assert not isinstance(got, str) and got[0] == TVX.Error.MODEL_INPUT_ERROR, got
    # An LP with a callback is HiGHS's, whatever the callback.
    cbc = path == "cbc" or "SOS" in build or (path == "callback" and "INTEGER" in build)
    assert got[1] == "Invalid model data: " + why % ("CBC" if cbc else "HiGHS")


def test_the_model_keeps_its_bounds(worker):
    build, _, _ = MODELS["integer_upper"]
    for path in PATHS:
        got = solve(worker, build, path)
        assert got[2:] == [0.0, 25.5], (path, got)
