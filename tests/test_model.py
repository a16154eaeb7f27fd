"""Model object: construction, element lists, parameter fields, life cycle."""
import gc
import pickle
import sys

import pytest

import didazoda
from didazoda import Env, Model


def test_models_in_the_default_environment():
    didazoda.disposeDefaultEnv()
    a, b = Model("a"), Model("b")
    assert a.Params is a.params and a.Params is not b.Params
    didazoda.disposeDefaultEnv()
    c = Model("c")  # a new default environment is made
    for m in (a, b, c):
        m.dispose()


def test_construction_arguments():
    env = Env()
    m = Model("m", env)
    assert m.getVars() == [] and m.Params is not None
    m.dispose()
    assert Model(None, empty=True).Params is None


@pytest.mark.parametrize("args, kwargs, exc, text", [
    ((None,), {}, TypeError, "encoding without a string argument"),
    ((), {"name": "m", "env": 42}, TypeError,
     "Argument 'env' has incorrect type (expected didazoda.Env, got int)"),
    ((b"m",), {}, TypeError, "Argument 'name' has incorrect type (expected str, got bytes)"),
    (("m", None, False, 1), {}, TypeError,
     "__init__() takes at most 3 positional arguments (4 given)"),
    ((), {"bogus": 1}, TypeError, "__init__() got an unexpected keyword argument 'bogus'"),
])
def test_construction_errors(args, kwargs, exc, text):
    with pytest.raises(exc) as info:
        Model(*args, **kwargs)
    assert str(info.value) == text


def test_str_subclass_name_refused():
    class S(str):
        pass

    with pytest.raises(TypeError, match="expected str, got S"):
        Model(S("m"))


def test_empty_model_is_a_shell():
    m = Model(empty=True)
    assert m.getVars() == [] and m.getPsdConstrs() == []
    assert m.Params is None and m.params is None
    m.dispose()


def test_lists_are_the_models_own():
    m = Model(empty=True)
    for getter in ("getVars", "getConstrs", "getSOSs", "getGenConstrs", "getPsdVars",
                   "getPsdConstrs"):
        first = getattr(m, getter)()
        assert type(first) is list and getattr(m, getter)() is first


def test_parameter_fields():
    m = Model("m")
    p = m.params
    Model.Params.__set__(m, None)
    assert m.Params is None and m.params is p
    with pytest.raises(TypeError, match="^Cannot convert int to didazoda.ParamClass$"):
        Model.Params.__set__(m, 5)
    del m.params
    assert m.params is None
    m.dispose()


def test_dispose_frees_once_and_model_outlives_env():
    env = Env()
    m = Model("m", env)
    env.dispose()
    assert m.getVars() == []
    m.dispose()
    m.dispose()


def test_dispose_errors_reach_the_unraisable_hook():
    class Failing(Model):
        def dispose(self):
            super().dispose()
            raise ValueError("boom")

    # Set inside the test: pytest installs its own hook around the test body.
    seen, saved = [], sys.unraisablehook
    sys.unraisablehook = lambda u: seen.append((u.exc_type, u.object))
    try:
        m = Failing("m")
        del m
        gc.collect()
    finally:
        sys.unraisablehook = saved
    assert seen == [
        (ValueError, "didazoda.Model.__del__"), (ValueError, "didazoda.Model.__dealloc__")]


def test_cycle_through_user_state_is_collected():
    class Holder(Model):
        pass

    m = Holder(empty=True)
    m.getVars().append(m)
    del m
    assert gc.collect() >= 1


def test_pickling_refused():
    with pytest.raises(TypeError, match=r"^self\.cbdata_,self\.mdl_ cannot be converted to a "
                                        r"Python object for pickling$"):
        pickle.dumps(Model(empty=True))


def test_member_listing_and_markers():
    assert Model.cleanupMilp.__text_signature__ == "__internal__"
    assert Model.cleanupMilp.__doc__ == ""
    assert Model.cbCut.__text_signature__ == "cbCut(self, lhs, sense, rhs)"
    assert Model.cbGet.__text_signature__ == "cbGet(self, what)"
    names = dir(Model)
    for name in ("dispose", "getVars", "getPsdConstrs"):
        assert name in names
    for name in ("cleanupMilp", "Params", "params", "__init__", "__getmetaclass__"):
        assert name not in names
    assert Model.__init__.__doc__.lstrip().startswith("SIGNATURE:")


def test_methods_check_their_instance():
    with pytest.raises(TypeError):
        Model.getVars(Env())
    with pytest.raises(TypeError):
        Model.dispose(None)


@pytest.mark.parametrize("make", ["disposed", "empty"])
def test_dead_model_raises_instead_of_reaching_the_library(run_python, make):
    r = run_python("""
        import sys
        from didazoda import Model, TarvexError
        make = sys.argv[1]
        m = Model("m") if make == "disposed" else Model(empty=True)
        params = m.Params
        if make == "disposed":
            m.dispose()
        calls = [
            lambda: m.setParam("MaxTime", 1),
            lambda: m.resetParams(),
            lambda: m.getParamInfo("MaxTime"),
        ]
        if params is not None:
            calls += [lambda: params.MaxTime, lambda: setattr(params, "MaxTime", 2)]
        for call in calls:
            try:
                call()
            except TarvexError as e:
                assert e.errno == -3, e.errno
            else:
                raise SystemExit("no error from a dead model")
        print("ok")
    """.replace("sys.argv[1]", repr(make)))
    assert r.returncode == 0, r.stderr
    assert r.stdout.strip().endswith("ok")


@pytest.mark.parametrize("cls", ["Env", "Model"])
def test_dispose_that_revives_its_object_runs_a_bounded_number_of_times(run_python, cls):
    r = run_python("""
        import gc, sys, didazoda
        kept, calls = [], []
        sys.unraisablehook = lambda u: kept.append(u.exc_value)  # keeps self via the frame

        class Reviving(didazoda.CLS):
            def dispose(self):
                calls.append(1)
                raise ValueError("always")

        obj = Reviving()
        del obj
        for _ in range(10):
            kept.clear()
            gc.collect()
        print(len(calls))
    """.replace("CLS", cls))
    assert r.returncode == 0, r.stderr
    assert int(r.stdout.split()[-1]) <= 2
