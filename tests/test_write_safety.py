"""A file is replaced whole or not at all: a write that fails or is killed
half-way leaves the file that was at the path, also behind a symbolic link."""
import os
import signal
import stat

import pytest

import didazoda
from didazoda import TVX

OLD = b"the file that was there\n"

# Every writer: (label, file name, how the child writes it). Each writes far
# more than the child's file size limit, compressed too.
WRITERS = [
    (suffix, "out" + suffix, "model")
    for suffix in [".lp", ".mps", ".qps", ".dat-s", ".lp.gz", ".mps.bz2", ".dat-s.gz",
                   ".sol", ".mst", ".bas", ".sol.bz2", ".mst.gz", ".bas.gz",
                   ".prm", ".prm.gz", ".prm.bz2"]
] + [("Env.writeParams", "env.prm", "env"), ("writeParams", "default.prm.bz2", "module")]

# Builds and solves an LP that every format can state (SDPA's form: variables
# in [0, inf), equality rows) with a basis of 20 columns, then writes it under
# a file size limit, and again without one.
CHILD = """
import resource, signal
import didazoda
m = didazoda.Model("m")  # the default environment, for didazoda.writeParams
env = didazoda.Env()
xs = [m.addVar(obj=j + 1, name=f"variable_number_{{j}}") for j in range(40)]
for j in range(20):
    m.addConstr(xs[2 * j] + xs[2 * j + 1] == 1, name=f"pair_{{j}}")
m.optimize()
write = {{"model": m.write, "env": env.writeParams, "module": didazoda.writeParams}}[{how!r}]
signal.signal(signal.SIGXFSZ, {signal})
resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
resource.setrlimit(resource.RLIMIT_FSIZE, (64, resource.RLIM_INFINITY))
try:
    write({path!r})
except didazoda.TarvexError as e:
    print(e.errno)
assert open({path!r}, "rb").read() == {old!r}
resource.setrlimit(resource.RLIMIT_FSIZE, (resource.RLIM_INFINITY, resource.RLIM_INFINITY))
write({path!r})
"""


def files(folder):
    return sorted(os.listdir(folder))


@pytest.fixture(params=["direct", "symlink"])
def target(request, tmp_path):
    """(the path written to, the file behind it): the file itself, or a link
    in another folder to it, by a relative path."""

    def make(name):
        real = tmp_path / "real" / name
        real.parent.mkdir()
        real.write_bytes(OLD)
        os.chmod(real, 0o640)
        if request.param == "direct":
            return real, real
        link = tmp_path / "links" / name
        link.parent.mkdir()
        link.symlink_to(os.path.join("..", "real", name))
        return link, real

    return make


def run_child(run_python, how, path, action):
    return run_python(CHILD.format(how=how, path=str(path), signal=action, old=OLD))


# The failed write leaves the old file, and the next one replaces it: the
# link stays a link, the file keeps its permission bits, nothing else is left.
@pytest.mark.parametrize("label, name, how", WRITERS, ids=[w[0] for w in WRITERS])
def test_a_failed_write_keeps_the_old_file(run_python, target, label, name, how):
    path, real = target(name)
    done = run_child(run_python, how, path, "signal.SIG_IGN")
    assert done.returncode == 0, done.stderr
    assert done.stdout.split() == [str(TVX.Error.FILE_WRITE_ERROR)]
    assert path.is_symlink() == (path != real)
    assert stat.S_IMODE(real.stat().st_mode) == 0o640
    assert files(real.parent) == [name]
    assert real.read_bytes() != OLD
    if name.split(".")[1] in ("lp", "mps", "qps", "dat-s"):
        assert didazoda.read(str(path)).NumVars == 40


# SIGXFSZ left at its default kills the writer in the middle of the file.
@pytest.mark.parametrize("label, name, how", WRITERS, ids=[w[0] for w in WRITERS])
def test_a_writer_killed_half_way_leaves_the_old_file(run_python, target, label, name, how):
    path, real = target(name)
    done = run_child(run_python, how, path, "signal.SIG_DFL")
    assert done.returncode == -signal.SIGXFSZ, done.stderr
    assert real.read_bytes() == OLD
    assert path.is_symlink() == (path != real)
