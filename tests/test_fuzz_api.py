"""Every public function, constructor, method and operator of the module,
called with hostile arguments in a worker that must survive them: once with
each pool value in turn, then in batches drawn from seeds.

Here the batches come from the fixed seeds DIDAZODA_FUZZ_SEED (default 0)
onwards, DIDAZODA_FUZZ_ROUNDS (default 12) of them, so every run draws the
same calls. `make fuzz` sets DIDAZODA_FUZZ_SECONDS instead: fresh seeds for
that long. A failure prints its seed and the calls that reproduce it; make
each one a regular test next to the code it exercises. Targets are listed in
fuzz/table.py."""
import os
import random
import time

import pytest
from hypothesis import HealthCheck, Phase, given, seed, settings
from hypothesis import strategies as st

import didazoda
from fuzz import hostile, table
from fuzz.runner import Worker

FIRST_SEED = int(os.environ.get("DIDAZODA_FUZZ_SEED", "0"))
ROUNDS = int(os.environ.get("DIDAZODA_FUZZ_ROUNDS", "12"))
SECONDS = float(os.environ.get("DIDAZODA_FUZZ_SECONDS", "0"))
BATCH = 20  # calls per child


@pytest.fixture(scope="module")
def worker(tmp_path_factory):
    w = Worker(tmp_path_factory.mktemp("fuzz"))
    yield w
    w.close()


def test_table_covers_every_public_name():
    covered = set().union(*(row.names() for row in table.TABLE))
    public = didazoda.__all__ + hostile.EXTRA_CLASSES
    missing = [n for n in public if n not in covered and n not in table.EXCLUDED]
    assert not missing, "add rows for these to tests/fuzz/table.py: %s" % missing
    unpicklers = {n for n in vars(didazoda) if n.startswith("_unpickle_")}
    assert unpicklers <= {e.replace("didazoda.", "") for row in table.TABLE for e in row.names()}


@pytest.mark.parametrize("row", table.TABLE, ids=repr)
def test_each_target_with_each_value(worker, row):
    """Deterministic sweep: each target once with every pool value."""
    calls = row.sweep()
    for start in range(0, len(calls), 2000):
        worker.check(calls[start:start + 2000], collect_every=10)


def test_random_calls(worker):
    one_call = st.sampled_from(table.TABLE).flatmap(lambda row: row.calls())

    # One round per seed; a failing batch is shrunk before it is shown.
    @settings(max_examples=20, deadline=None, database=None, derandomize=False,
              suppress_health_check=list(HealthCheck),
              phases=[Phase.generate, Phase.shrink])
    @given(st.lists(one_call, min_size=1, max_size=BATCH))
    def batch(calls):
        worker.check(calls)

    def round_of(s):
        try:
            seed(s)(batch)()
        except BaseException:
            print("fuzz seed %d: rerun with DIDAZODA_FUZZ_SEED=%d DIDAZODA_FUZZ_ROUNDS=1" % (s, s))
            raise

    if SECONDS > 0:
        deadline = time.monotonic() + SECONDS
        while True:
            round_of(random.SystemRandom().randrange(2 ** 32))
            if time.monotonic() >= deadline:
                break
    else:
        for s in range(FIRST_SEED, FIRST_SEED + ROUNDS):
            round_of(s)


@pytest.mark.parametrize("calls, expected", [
    # (a signal the sanitizers leave alone, so that no report is logged)
    (["import os; os.kill(os.getpid(), 15)"], "killed by signal SIGTERM"),
    (["1 + 1", "raise SystemError('x')"], "call 1 of the batch (SystemError: x)"),
    (["import os; os._exit(3)"], "exited with status 3"),
])
def test_worker_reports_what_kills_a_child(worker, calls, expected):
    with pytest.raises(AssertionError) as info:
        worker.check(calls)
    text = str(info.value)
    assert expected in text
    assert calls[-1] in text
    # and the next batch runs in a healthy child
    assert worker.check(["version()"])[0]["status"] == "ok"
