"""The module's function objects: argument errors, introspection, binding."""
import pickle

import pytest

import didazoda


@pytest.mark.parametrize("call, text", [
    (lambda: didazoda.version(1), "version() takes exactly 0 positional arguments (1 given)"),
    (lambda: didazoda.read(), "read() takes at least 1 positional argument (0 given)"),
    (lambda: didazoda.read("a", None, 3), "read() takes at most 2 positional arguments (3 given)"),
    (lambda: didazoda.setParam("a"), "setParam() takes exactly 2 positional arguments (1 given)"),
    (lambda: didazoda.read("a", filename="b"),
     "read() got multiple values for keyword argument 'filename'"),
    (lambda: didazoda.version(x=1), "version() got an unexpected keyword argument 'x'"),
])
def test_argument_errors(call, text):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == text


def test_function_attributes():
    f = didazoda.read
    assert (f.__name__, f.__qualname__, f.__module__) == ("read", "read", "didazoda")
    assert f.__defaults__ == (None,)
    assert f.__code__.co_varnames == ("filename", "env")
    f.__text_signature__ = "read(filename)"
    assert f.__dict__["__text_signature__"] == "read(filename)"
    del f.__text_signature__


def test_functions_pickle_by_reference():
    assert pickle.loads(pickle.dumps(didazoda.version)) is didazoda.version


def test_function_binds_as_method():
    class Holder:
        pass

    Holder.v = didazoda.version
    with pytest.raises(TypeError, match="takes exactly 0 positional arguments"):
        Holder().v()
    assert Holder.v is didazoda.version


def test_reconstruction_functions():
    names = sorted(n[len("_unpickle_"):] for n in vars(didazoda) if n.startswith("_unpickle_"))
    assert names == sorted([
        "TarvexError", "Operand", "tuplelist", "tupledict", "MVar", "MConstr", "LinExpr",
        "QuadExpr", "MLinExpr", "MQuadExpr", "PsdExpr", "TempConstr", "Column"])


@pytest.mark.parametrize("state", [(), (1,), [1, "x", None], "junk"])
def test_reconstruction_checks_state(state):
    with pytest.raises((TypeError, ValueError)):
        didazoda._unpickle_TarvexError(didazoda.TarvexError, state)


def test_reconstruction_checks_class():
    with pytest.raises(TypeError):
        didazoda._unpickle_TarvexError(ValueError, (1, "x", None))
    with pytest.raises(TypeError):
        didazoda._unpickle_TarvexError(didazoda.TarvexError, (1, 5, None))
