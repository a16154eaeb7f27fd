import pickle

import pytest

from didazoda import TarvexError


def test_code_carries_library_text():
    texts = {}
    for code in (-3, -1, 1, 10001, -3000, 123456):
        e = TarvexError(code)
        assert e.errno == code
        assert isinstance(e.message, str) and e.message
        assert str(e) == e.message and e.args == (e.message,)
        texts[code] = e.message
    assert len(set(texts.values())) >= 4


@pytest.mark.parametrize("args, errno, message", [
    (("boom",), -1, "boom"),
    (("d\u00e9j\u00e0".encode(),), -1, "d\u00e9j\u00e0"),
    ((7, "seven"), 7, "seven"),
    (("first", "second"), -1, "first"),
    ((2.9, "x"), 2, "x"),
    ((True, "x"), 1, "x"),
])
def test_construction(args, errno, message):
    e = TarvexError(*args)
    assert (e.errno, e.message, str(e), e.args) == (errno, message, message, (message,))


def test_keywords():
    e = TarvexError(arg1=4, arg2="four")
    assert (e.errno, e.message) == (4, "four")


@pytest.mark.parametrize("args, kwargs, exc, text", [
    ((), {}, TypeError, "__init__() takes at least 1 positional argument (0 given)"),
    ((1, "a", "b"), {}, TypeError, "__init__() takes at most 2 positional arguments (3 given)"),
    (("text", 5), {}, TypeError,
     "Argument 'arg2' has incorrect type (expected str, got int)"),
    ((2 ** 40,), {}, OverflowError, "value too large to convert to int"),
    ((-2 ** 40, "x"), {}, OverflowError, "value too large to convert to int"),
    ((None,), {}, TypeError, None),
    (([],), {}, TypeError, None),
    ((b"\xff",), {}, UnicodeDecodeError, None),
    ((1,), {"bogus": 1}, TypeError, "__init__() got an unexpected keyword argument 'bogus'"),
    ((1,), {"arg1": 1}, TypeError, "__init__() got multiple values for keyword argument 'arg1'"),
])
def test_bad_arguments(args, kwargs, exc, text):
    with pytest.raises(exc) as info:
        TarvexError(*args, **kwargs)
    if text is not None:
        assert str(info.value) == text


def test_str_subclass_message_refused():
    class S(str):
        pass

    with pytest.raises(TypeError, match="^Expected unicode, got S$"):
        TarvexError(S("x"))


def test_read_only_members():
    e = TarvexError(5, "five")
    for name in ("errno", "message"):
        with pytest.raises(TypeError, match="^Value is readonly$"):
            setattr(e, name, 1)
        prop = getattr(TarvexError, name)
        assert isinstance(prop, property)
        assert prop.fget.__qualname__ == "constant.<locals>.fget"
        assert prop.fset.__qualname__ == "constant.<locals>.fset"
        with pytest.raises(AttributeError):
            delattr(e, name)
    assert (e.errno, e.message) == (5, "five")
    assert TarvexError.errno.__doc__.strip() == (
        "The error code corresponding to the current exception.")
    assert TarvexError.message.__doc__.strip() == (
        "Text description corresponding to the current exception")


def test_uninitialised_instance():
    e = TarvexError.__new__(TarvexError)
    assert e.errno == 0 and e.message is None


def test_dir_lists_documented_members():
    assert dir(TarvexError) == ["errno", "message"]
    assert "args" in dir(TarvexError(1, "x"))


def test_raise_and_catch_subclass():
    class Mine(TarvexError):
        pass

    with pytest.raises(TarvexError) as info:
        raise Mine(3, "three")
    assert info.value.errno == 3


def test_pickle_round_trip():
    e = TarvexError(12, "twelve")
    e.note = "kept"
    back = pickle.loads(pickle.dumps(e))
    assert type(back) is TarvexError
    assert (back.errno, back.message, back.args, back.note) == (12, "twelve", ("twelve",), "kept")
