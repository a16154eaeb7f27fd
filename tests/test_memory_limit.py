"""Building calls with the address space limited a few MB above what the
process holds: running out of memory is a MemoryError (or TarvexError with
the NOMEMORY code when the library itself ran out), never an abort and never
another error, and the model stays usable afterwards.

Each margin is tried for each call in one child process, which builds the
large model once; it prints one line per attempt before making it, so a
crash names its call."""
import json
import os
import subprocess
import sys
import textwrap

import pytest

# From too small for any call to enough for most, where the library's own
# allocations are the ones to fail.
MARGINS_MB = [1, 4, 16, 24, 32, 40, 48, 56, 64, 72, 80, 96]

CHILD = textwrap.dedent("""
    import gc, json, resource, sys
    import numpy as np
    import didazoda
    from didazoda import TVX, TarvexError, quicksum

    N = 10 ** 6
    m = didazoda.Model()
    x = list(m.addVars(N).values())
    expr = quicksum(x)
    values = [1.0] * N
    m.addConstr(expr >= 1)
    rows = 1

    def add_constr():
        global rows
        m.addConstr(expr <= 5)
        rows += 1

    X = m.addPsdVar(dim=1000)
    dense = np.ones((1000, 1000))
    psd = dense * X + 2 * dense * X

    def add_psd_constr():
        global rows
        m.addConstr(psd <= 5)
        rows += 1

    CALLS = {
        "setObjective": lambda: m.setObjective(expr),
        "addConstr": add_constr,
        "setAttr LB": lambda: m.setAttr("LB", x, values),
        "expr <= k": lambda: expr <= 7,
        "expr + expr": lambda: expr + expr,
        "getAttr LB": lambda: m.getAttr("LB", x),
        "getRow": lambda: m.getRow(m.getConstrs()[0]),
        "addPsdVar": lambda: m.addPsdVar(obj=dense),
        "addConstr psd": add_psd_constr,
    }

    def vm_size():
        with open("/proc/self/status") as status:
            for line in status:
                if line.startswith("VmSize:"):
                    return int(line.split()[1]) * 1024

    soft, hard = resource.getrlimit(resource.RLIMIT_AS)
    results = []
    for margin in json.loads(sys.argv[1]):
        for name, call in CALLS.items():
            print("attempt", name, margin, flush=True)
            gc.collect()
            outcome = None
            resource.setrlimit(resource.RLIMIT_AS, (vm_size() + (margin << 20), hard))
            try:
                call()
            except MemoryError:
                outcome = "MemoryError"
            except TarvexError as e:
                outcome = e  # turned into text once the limit is lifted
            except BaseException as e:
                outcome = e
            finally:
                resource.setrlimit(resource.RLIMIT_AS, (soft, hard))
            if isinstance(outcome, TarvexError):
                outcome = "NOMEMORY" if outcome.errno == TVX.Error.NOMEMORY else repr(outcome)
            elif isinstance(outcome, BaseException):
                outcome = "%s: %s" % (type(outcome).__name__, outcome)
            results.append([name, margin, outcome or "ok"])

    # Still usable: the expression and the model are whole and take more work.
    assert expr.size() == N and m.NumVars == N and m.NumConstrs == rows
    m.setObjective(x[0] + 2 * x[1])
    m.addConstr(x[0] + x[1] >= 1)
    m.setAttr("LB", x[:2], [0.5, 0.25])
    assert m.getAttr("LB", x[:2]) == [0.5, 0.25] and m.NumConstrs == rows + 1
    print("results", json.dumps(results))
""")


def under_address_sanitizer():
    with open("/proc/self/maps") as maps:
        return any("libasan" in line for line in maps)


@pytest.mark.skipif(under_address_sanitizer(),
                    reason="AddressSanitizer reserves its shadow memory: an address-space "
                           "limit says nothing about the module's allocations")
def test_out_of_memory_is_memory_error_and_leaves_the_model_usable():
    # Large blocks are mapped and unmapped one by one, so that memory freed by
    # one attempt does not stay mapped as room for the next.
    env = dict(os.environ, OPENBLAS_NUM_THREADS="1", OMP_NUM_THREADS="1",
               GLIBC_TUNABLES="glibc.malloc.mmap_threshold=65536:glibc.malloc.trim_threshold=0"
                              ":glibc.malloc.arena_max=1")
    r = subprocess.run([sys.executable, "-c", CHILD, json.dumps(MARGINS_MB)], env=env,
                       capture_output=True, text=True, timeout=600)
    attempts = [line for line in r.stdout.splitlines() if line.startswith("attempt")]
    assert r.returncode == 0, "died after %s\n%s" % (attempts[-1:], r.stderr[-3000:])
    results = json.loads(r.stdout.splitlines()[-1].split(" ", 1)[1])
    wrong = [res for res in results if res[2] not in ("ok", "MemoryError", "NOMEMORY")]
    assert not wrong, wrong
    # The smallest margin is too small for every call that copies the terms;
    # expr <= k shares expr's term list and copies nothing.
    failed = {name for name, margin, outcome in results if outcome != "ok"}
    assert failed >= {"setObjective", "addConstr", "setAttr LB", "expr + expr", "getAttr LB",
                      "getRow", "addPsdVar", "addConstr psd"}
