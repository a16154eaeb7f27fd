import contextlib
import gc
import sys

import pytest

import didazoda
from didazoda import Env, TarvexError

INVALID_ARGUMENT = -3
PARAM_SET_ERROR = -4000
FILE_WRITE_ERROR = -1002


def read_prm(path):
    """The settings of a parameter file as {name: text}."""
    settings = {}
    for line in path.read_text().splitlines():
        name, value = line.split()
        settings[name] = value
    return settings


def settings_of(env, tmp_path):
    path = tmp_path / "current.prm"
    env.writeParams(str(path))
    return read_prm(path)


@contextlib.contextmanager
def unraisable():
    """Collects (context, exception type, text) passed to sys.unraisablehook;
    the exception itself is not kept, as its traceback holds the object.
    Set inside the test: pytest installs its own hook around each test."""
    seen = []
    previous = sys.unraisablehook
    sys.unraisablehook = lambda u: seen.append((u.object, u.exc_type, str(u.exc_value)))
    try:
        yield seen
    finally:
        sys.unraisablehook = previous


# ---- Life cycle -------------------------------------------------------------

class Counting(Env):
    calls = 0

    def dispose(self):
        Counting.calls += 1
        super().dispose()


def test_dispose_twice_then_finalisation_and_deallocation():
    env = Counting()
    assert env.dispose() is None
    assert env.dispose() is None
    Counting.calls = 0
    with unraisable() as seen:
        del env
        gc.collect()
    # Finalisation and deallocation each call dispose, which frees nothing more.
    assert Counting.calls == 2
    assert seen == []


def test_dispose_errors_reach_the_unraisable_hook(capsys):
    class Failing(Env):
        def dispose(self):
            super().dispose()
            raise ValueError("boom")

    with unraisable() as seen:
        try:
            raise KeyError("pending")
        except KeyError:
            env = Failing()
            del env
            gc.collect()
            # The exception being handled survives both calls.
            assert sys.exc_info()[0] is KeyError
    assert seen == [("didazoda.Env.__del__", ValueError, "boom"),
                    ("didazoda.Env.__dealloc__", ValueError, "boom")]
    assert capsys.readouterr().err.count("ValueError: boom") == 2


class Keeping(Env):
    """Its dispose keeps the object alive for the next `keep` calls."""
    kept = []
    keep = 0

    def dispose(self):
        if Keeping.keep:
            Keeping.keep -= 1
            Keeping.kept.append(self)
        super().dispose()


def test_dispose_that_keeps_the_object_alive():
    Keeping.keep = 2
    with unraisable() as seen:
        env = Keeping()
        del env  # the finaliser keeps it
        assert len(Keeping.kept) == 1
        Keeping.kept.clear()  # deallocation keeps it
        assert len(Keeping.kept) == 1
        survivor = Keeping.kept.pop()
        assert type(survivor) is Keeping
        with pytest.raises(TarvexError):
            survivor.start()
        del survivor  # now it goes
        gc.collect()
    assert Keeping.kept == [] and Keeping.keep == 0
    assert seen == []


def test_init_again_replaces_the_environment(tmp_path):
    env = Env(params={"MaxTime": 5})
    env.__init__()
    assert settings_of(env, tmp_path)["MaxTime"] == "1e+20"
    # A second __init__ that fails keeps the environment it had.
    env.setParam("MaxTime", 7)
    with pytest.raises(TarvexError) as info:
        env.__init__(str(tmp_path / "no" / "such" / "dir.log"))
    assert info.value.errno == FILE_WRITE_ERROR
    assert settings_of(env, tmp_path)["MaxTime"] == "7"
    env.dispose()


DEAD_CALLS = [
    ("start", ()),
    ("resetParam", ()),
    ("setParam", ("MaxTime", 1)),
    ("writeParams", ("never.prm",)),
]


def disposed_env():
    env = Env()
    env.dispose()
    return env


@pytest.mark.parametrize("make", [lambda: Env.__new__(Env), disposed_env],
                         ids=["never_initialised", "disposed"])
@pytest.mark.parametrize("method, args", DEAD_CALLS, ids=[m for m, _ in DEAD_CALLS])
def test_methods_of_a_dead_env_raise(make, method, args, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    env = make()
    with pytest.raises(TarvexError) as info:
        getattr(env, method)(*args)
    assert info.value.errno == INVALID_ARGUMENT
    assert info.value.message == TarvexError(INVALID_ARGUMENT).message
    assert env.dispose() is None
    assert not (tmp_path / "never.prm").exists()


@pytest.mark.parametrize("logname", ["empty.log", None])
def test_empty_env_starts(tmp_path, logname):
    path = tmp_path / logname if logname else None
    env = Env(str(path) if path else None, True)
    # An empty environment writes no log.
    assert path is None or not path.exists()
    assert env.start() is None
    assert env.start() is None
    env.dispose()


def test_log_file_is_created(tmp_path):
    path = tmp_path / "run.log"
    env = Env(logfilename=str(path))
    assert path.exists()
    env.start()
    env.dispose()


def test_methods_and_listing():
    assert dir(Env) == ["dispose", "resetParam", "setParam", "start", "writeParams"]
    assert "SIGNATURE:\n            start()" in Env.start.__doc__
    assert "start an Environment. When the Environment is empty" in Env.start.__doc__
    assert "__init__(logfilename='', empty=False)" in Env.__init__.__doc__
    assert "disposeDefaultEnv()" in Env.__doc__
    assert Env.setParam.__qualname__ == "Env.setParam"


# ---- Arguments ----------------------------------------------------------------

class SubDict(dict):
    pass


@pytest.mark.parametrize("args, kwargs, exc, text", [
    ((1,), {}, TypeError, "Argument 'logfilename' has incorrect type (expected str, got int)"),
    ((), {"params": []}, TypeError,
     "Argument 'params' has incorrect type (expected dict, got list)"),
    ((), {"params": SubDict()}, TypeError,
     "Argument 'params' has incorrect type (expected dict, got SubDict)"),
    (("", None), {}, TypeError, "an integer is required"),
    (("", "1"), {}, TypeError, "an integer is required"),
    (("", 2 ** 40), {}, OverflowError, "value too large to convert to int"),
    (("", False, None, 1), {}, TypeError,
     "__init__() takes at most 3 positional arguments (4 given)"),
    ((), {"bogus": 1}, TypeError, "__init__() got an unexpected keyword argument 'bogus'"),
    ((None,), {}, TypeError, None),  # a log name is needed unless empty
])
def test_constructor_argument_errors(args, kwargs, exc, text):
    with pytest.raises(exc) as info:
        Env(*args, **kwargs)
    if text is not None:
        assert str(info.value) == text


@pytest.mark.parametrize("method, args, text", [
    ("start", (1,), "start() takes exactly 0 positional arguments (1 given)"),
    ("resetParam", (1,), "resetParam() takes exactly 0 positional arguments (1 given)"),
    ("dispose", (1,), "dispose() takes exactly 0 positional arguments (1 given)"),
    ("setParam", ("MaxTime",), "setParam() takes exactly 2 positional arguments (1 given)"),
    ("writeParams", (), "writeParams() takes exactly 1 positional argument (0 given)"),
    ("writeParams", (5,), None),
])
def test_method_argument_errors(method, args, text):
    env = Env()
    with pytest.raises(TypeError) as info:
        getattr(env, method)(*args)
    if text is not None:
        assert str(info.value) == text
    env.dispose()


def test_pickling_is_refused():
    import pickle
    with pytest.raises(TypeError, match="^self.env_ cannot be converted to a Python object"):
        pickle.dumps(Env())


# ---- Parameters ---------------------------------------------------------------

def test_params_are_set_in_order(capsys, tmp_path):
    env = Env(params={"MaxTime": 10, "nothing": 1, "Method": 2.7, "MIP/GapRel": "0.5"})
    assert capsys.readouterr().out.splitlines() == [
        "Set parameter MaxTime to value 10",
        "No parameters matching 'nothing' found",
        "Set parameter Method to value 2.7",
        "Set parameter MIP/GapRel to value 0.5",
    ]
    settings = settings_of(env, tmp_path)
    assert (settings["MaxTime"], settings["Method"], settings["MIP/GapRel"]) == ("10", "2", "0.5")


def test_params_stop_at_the_first_error(capsys, tmp_path):
    with pytest.raises(ValueError):
        Env(params={"MaxTime": 10, "Method": "abc", "MIP/GapRel": 0.5})
    assert capsys.readouterr().out.splitlines() == [
        "Set parameter MaxTime to value 10", "Set parameter Method to value abc"]


def test_params_dict_changed_during_iteration():
    params = {"MaxTime": 10, "Method": 1}

    class Growing(Env):
        def setParam(self, name, value):
            params["x" + name] = value

    with pytest.raises(RuntimeError, match="^dictionary changed size during iteration$"):
        Growing(params=params)


def test_set_param_results(capsys, tmp_path):
    env = Env()
    assert env.setParam("MaxTime", 60) is True
    assert env.setParam("nothing", 1) is False
    assert env.setParam("MaxTime\0junk", 1) is False
    assert settings_of(env, tmp_path)["MaxTime"] == "60"
    assert env.setParam("MaxTime", "Default") is True
    assert settings_of(env, tmp_path)["MaxTime"] == "1e+20"
    capsys.readouterr()

    for name, value, exc in [("Method", 4, TarvexError), ("MaxTime", -1, TarvexError),
                             ("Method", 2 ** 40, OverflowError), ("Method", None, TypeError),
                             ("MaxTime", "x", ValueError)]:
        with pytest.raises(exc) as info:
            env.setParam(name, value)
        if exc is TarvexError:
            assert info.value.errno == PARAM_SET_ERROR
    assert settings_of(env, tmp_path) == settings_of(Env(), tmp_path)

    env.setParam("Method", 1)
    env.resetParam()
    assert settings_of(env, tmp_path)["Method"] == "-1"


def test_parameter_file_round_trip(tmp_path, capsys):
    first = Env(params={"MaxTime": 1 / 3, "MIP/GapAbs": 0.1 + 0.2, "MIP/MaxNodes": 12345,
                        "MIP/Cutoff": -1e300})
    path = tmp_path / "first.prm"
    first.writeParams(str(path))
    settings = read_prm(path)
    assert len(settings) == 33
    assert float(settings["MaxTime"]) == 1 / 3
    assert float(settings["MIP/GapAbs"]) == 0.1 + 0.2

    # Every written value reads back as the same value.
    second = Env(params={name: value for name, value in settings.items()})
    again = tmp_path / "second.prm"
    second.writeParams(str(again))
    assert again.read_text() == path.read_text()
    capsys.readouterr()


@pytest.mark.parametrize("name, errno", [
    ("settings.txt", -1100),  # unknown suffix
    ("no/such/dir.prm", FILE_WRITE_ERROR),
])
def test_write_params_errors(tmp_path, name, errno):
    with pytest.raises(TarvexError) as info:
        Env().writeParams(str(tmp_path / name))
    assert info.value.errno == errno
    assert not (tmp_path / name).exists()


# ---- Module functions ---------------------------------------------------------

def test_system(tmp_path):
    marker = tmp_path / "ran"
    assert didazoda.system("exit 3") is None
    assert didazoda.system(f"echo hi > '{marker}'") is None
    assert marker.read_text() == "hi\n"
    with pytest.raises(TypeError):
        didazoda.system()
    with pytest.raises(TypeError):
        didazoda.system("true", shell=True)


def test_dispose_default_env_without_one():
    assert didazoda.disposeDefaultEnv() is None
    assert didazoda.disposeDefaultEnv() is None


def test_dispose_default_env_with_one(tmp_path, capsys):
    path = tmp_path / "default.prm"
    model = didazoda.Model()
    didazoda.writeParams(str(path))
    assert path.exists()
    assert didazoda.disposeDefaultEnv() is None
    assert didazoda.disposeDefaultEnv() is None
    capsys.readouterr()
    didazoda.writeParams(str(tmp_path / "after.prm"))
    assert capsys.readouterr().out == (
        "Failed to write parameters because default environment has been disposed\n")
    # The model keeps its own settings; a new model makes a new default.
    other = didazoda.Model()
    didazoda.writeParams(str(path))
    model.dispose()
    other.dispose()
    didazoda.disposeDefaultEnv()
