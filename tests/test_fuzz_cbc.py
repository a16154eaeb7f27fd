"""Differential test of the solve paths on small random MIPs (fuzz/mips.py):
bounded and unbounded, infeasible, with integer, binary, semi-continuous and
semi-integer variables, SOS1/SOS2 sets and indicators; with fractional
bounds on integral variables, far semi bounds, rows and objectives
scaled from 1e-9 to 1e25 (data beyond the engines' limits must be refused
alike on every path), and rays whose costs lie from 1e-8 to 1e-4. Each model is solved
in a forked child (fuzz/runner.py, which also catches a crash or a hang) by
the default path (HiGHS for a MIP without sets or indicators), by CBC
without a callback, with a callback that does nothing and with one that
offers the candidate back at MIPSOL. Their statuses and optima must agree
with each other and, for the models small enough to enumerate, with the
enumeration.

With hidden rows, the same models get a few rows more over mixed supports
(fuzz.mips.hidden_rows), given up front or cut by a callback at MIPSOL
whenever a candidate violates one (and once more with the candidate's
discrete values offered back): a cut must act exactly as the row.

A fixed set of DIDAZODA_CBC_FUZZ_MODELS models (default 150, 60 under the
sanitizers) from seed DIDAZODA_CBC_FUZZ_SEED (default 0) runs here, and
DIDAZODA_CBC_HIDDEN_MODELS (default 100, 40 under the sanitizers) with
hidden rows; `make fuzz-cbc` runs thousands."""
import collections
import math
import os
import re

import pytest

from fuzz import mips
from fuzz.runner import SANITIZED, Worker

# Fewer under the sanitizers, where each solve is slower.
MODELS = int(os.environ.get("DIDAZODA_CBC_FUZZ_MODELS", "60" if SANITIZED else "150"))
FIRST_SEED = int(os.environ.get("DIDAZODA_CBC_FUZZ_SEED", "0"))
HIDDEN_MODELS = int(os.environ.get("DIDAZODA_CBC_HIDDEN_MODELS", "40" if SANITIZED else "100"))
TIME_LIMIT = -9001
NAMES = {0: "stopped at the time limit", 1: "OPTIMAL", 2: "INFEASIBLE", 3: "UNBOUNDED", 4: "INF_OR_UBD"}


@pytest.fixture(scope="module")
def worker(tmp_path_factory):
    w = Worker(tmp_path_factory.mktemp("fuzz_cbc"))
    yield w
    w.close()


def outcome(worker, spec, path, hidden=()):
    """(status, objective) of one solve, or a string saying what went wrong."""
    out = os.path.join(worker.directory, "result.json")
    call = "from fuzz.mips import solve; solve(%r, %r, %r, hidden=%r)" % (spec, path, out,
                                                                           list(hidden))
    result = worker.answer(call, out)
    if isinstance(result, str):
        return result
    if result.get("error", "").startswith("%d:" % TIME_LIMIT):
        # Some models no search can settle (an integer infeasibility over
        # unbounded integers), and a loaded machine may stop any: no answer.
        return 0, None
    if "error" in result:
        return "TarvexError " + result["error"]
    return result["status"], result.get("obj")


def compatible(a, b, cost=1.0, tiny_ray=False):
    """Whether two outcomes agree; cost: the model's largest objective
    coefficient, whose rounding errors an optimum near 0 may carry;
    tiny_ray: the model has a ray whose cost an engine may take for none."""
    if isinstance(a, str) or isinstance(b, str):
        return False
    if 0 in (a[0], b[0]):
        return True
    if tiny_ray and {a[0], b[0]} <= {1, 3, 4} and 1 in (a[0], b[0]):
        return True
    if a[0] == 1 and b[0] == 1:
        return math.isclose(a[1], b[1], rel_tol=1e-6, abs_tol=1e-5 + 1e-12 * cost)
    if 4 in (a[0], b[0]):
        return {a[0], b[0]} <= {2, 3, 4}
    return a[0] == b[0]


# A TarvexError's text in an outcome: "TarvexError <errno>: <message>".
REFUSED = "TarvexError %d: " % -2000  # MODEL_INPUT_ERROR: data beyond the engine's limits


def refusal(o):
    """The refusal of data beyond an engine's limits with the engine left
    out of its text, or None for any other outcome."""
    if isinstance(o, str) and o.startswith(REFUSED):
        return re.sub(r"beyond \S+'s limit", "beyond the limit", o)
    return None


def kind(o):
    """How an outcome is counted."""
    if not isinstance(o, str):
        return show(o).split(" ")[0]
    if refusal(o):
        return "refused"
    if o == "hung" or o.startswith("killed by signal"):
        return "hung" if o == "hung" else "aborted"
    return "failed"


def show(o):
    if isinstance(o, str):
        return o
    return NAMES.get(o[0], str(o[0])) + ("" if o[1] is None else " %.9g" % o[1])


def check_model(worker, seed, tally, hidden=False):
    """The report of a disagreement on the model of seed, or None; tally
    counts the answers. hidden: the model with hidden rows."""
    spec = mips.generate(seed)
    if hidden:
        rows = mips.hidden_rows(seed, spec)
        front = mips.with_rows(spec, rows)
        got = {path: outcome(worker, spec, path, rows) if path.startswith("cut")
               else outcome(worker, front, path) for path in mips.HIDDEN_PATHS}
        spec = front
    else:
        got = {path: outcome(worker, spec, path) for path in mips.PATHS}
    for o in got.values():
        tally[kind(o)] += 1
    refusals = {refusal(o) for o in got.values()}
    if None not in refusals and len(refusals) == 1:
        return None  # every path refuses the data alike
    truth = mips.enumerate_answer(spec)
    tally["enumerated"] += truth is not None
    outcomes = list(got.values()) + ([truth] if truth else [])
    if hidden and not mips.is_mip(spec):
        # An LP goes to HiGHS, which calls no callback: nothing cuts there.
        tally["LP, no callback"] += 1
        outcomes = [o for p, o in got.items() if not p.startswith("cut")]
        outcomes += [truth] if truth else []
    elif hidden and any(not isinstance(got[p], str) and got[p][0] in (3, 4)
                        for p in ("cut", "cut-offer")):
        # The relaxation of the model without the rows is settled before the
        # search: unbounded, it stays so whatever cuts come at MIPSOL.
        base = outcome(worker, mips.generate(seed), "noop")
        if not isinstance(base, str) and base[0] in (3, 4):
            tally["unbounded without the rows"] += 1
            outcomes = [o for p, o in got.items() if not p.startswith("cut")]
            outcomes += [truth] if truth else []
    cost = max(abs(v["obj"]) for v in spec["vars"])
    tiny = mips.tiny_ray(spec)
    if all(compatible(a, b, cost, tiny) for a in outcomes for b in outcomes):
        return None
    lines = ["seed %d:" % seed]
    lines += ["  %-8s %s" % (path, show(o)) for path, o in got.items()]
    lines.append("  %-8s %s" % ("enumerated", show(truth) if truth else "(not small)"))
    lines += ["    " + line for line in mips.source(spec).splitlines()]
    if hidden:
        lines.append("  hidden rows (the last %d above): %r" % (len(rows), rows))
    return "\n".join(lines)


def test_paths_agree_on_random_mips(worker):
    tally = collections.Counter()
    failures = [r for r in (check_model(worker, FIRST_SEED + k, tally) for k in range(MODELS))
                if r]
    print("\n%d models from seed %d, %d enumerated; solves: %s"
          % (MODELS, FIRST_SEED, tally.pop("enumerated"), dict(tally)))
    print("%d disagreements" % len(failures))
    assert not failures, "%d of %d models:\n%s" % (len(failures), MODELS,
                                                   "\n".join(failures[:20]))


def test_hidden_rows_cut_as_rows_up_front(worker):
    tally = collections.Counter()
    failures = [r for r in (check_model(worker, FIRST_SEED + k, tally, hidden=True)
                            for k in range(HIDDEN_MODELS)) if r]
    print("\n%d models with hidden rows from seed %d, %d enumerated; solves: %s"
          % (HIDDEN_MODELS, FIRST_SEED, tally.pop("enumerated"), dict(tally)))
    print("%d disagreements" % len(failures))
    assert not failures, "%d of %d models:\n%s" % (len(failures), HIDDEN_MODELS,
                                                   "\n".join(failures[:20]))


def test_a_disagreement_is_reported():
    a, b = (1, 2.0), (1, 2.5)
    assert not compatible(a, b) and compatible(a, (1, 2.0 + 1e-9))
    assert compatible((4, None), (3, None)) and compatible((2, None), (4, None))
    assert not compatible((2, None), (3, None)) and not compatible((1, 0.0), (4, None))
    assert not compatible("killed by signal SIGABRT", a)
    assert compatible((0, None), a) and compatible((0, None), (2, None))
    assert compatible((1, 0.0), (1, -4440.9), cost=1e19) and not compatible((1, 0.0), (1, -4440.9))
    assert compatible((1, 2.0), (3, None), tiny_ray=True) and not compatible((1, 2.0), (3, None))
    assert not compatible((2, None), (3, None), tiny_ray=True)
    assert refusal(REFUSED + "the coefficient 1e+21 of variable 0 in row 0 is beyond HiGHS's limit "
                   "of 1e+15") == refusal(REFUSED + "the coefficient 1e+21 of variable 0 in row 0 "
                                          "is beyond CBC's limit of 1e+15")
    assert refusal("TarvexError -1: The operation failed") is None
