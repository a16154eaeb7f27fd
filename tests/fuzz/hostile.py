"""The namespace every fuzzed call runs in: the module's names, the helpers
that build hostile values, and the standard modules the calls use.

A failing call is printed as source that runs again after
`from fuzz.hostile import *` (from tests/)."""
import array
import copy
import decimal
import fractions
import gc
import math
import pickle
import sys
import weakref

import numpy as np
import scipy.sparse as sp

import didazoda

# The classes a user never names but can reach.
EXTRA_CLASSES = ["Operand", "List", "ParamClass"]

for _name in list(didazoda.__all__) + EXTRA_CLASSES:
    if hasattr(didazoda, _name):
        globals()[_name] = getattr(didazoda, _name)

nan = float("nan")
inf = float("inf")


def new(cls, *args):
    """An instance that was never initialised."""
    return cls.__new__(cls, *args)


def disposed(obj):
    """The object after its dispose()."""
    obj.dispose()
    return obj


class Boom(Exception):
    """What every hostile hook raises."""


def boom(*args, **kwargs):
    raise Boom("hostile")


def quiet(*args, **kwargs):
    """A harmless callable, for arguments that take callbacks."""
    return None


class Raising:
    """Every conversion, comparison and container hook raises."""

    __eq__ = __ne__ = __lt__ = __le__ = __gt__ = __ge__ = boom
    __hash__ = boom
    __float__ = __index__ = __int__ = __bool__ = __complex__ = boom
    __len__ = __iter__ = __getitem__ = __contains__ = boom
    __add__ = __radd__ = __mul__ = __rmul__ = __sub__ = __rsub__ = boom
    __array__ = boom


class RaisingEq:
    """Hashable, but comparing raises."""

    __eq__ = __ne__ = __lt__ = __le__ = __gt__ = __ge__ = boom

    def __hash__(self):
        return 1


class RaisingFloat:
    __float__ = boom


class RaisingIndex:
    __index__ = __int__ = boom


class RaisingLen:
    """A sequence whose length raises; iterating works."""

    __len__ = boom

    def __iter__(self):
        return iter([1.0, 2.0])

    def __getitem__(self, i):
        return [1.0, 2.0][i]


class LyingLen:
    """Claims more items than it yields."""

    def __len__(self):
        return 5

    def __getitem__(self, i):
        if i >= 2:
            raise IndexError(i)
        return 1.0

    def __iter__(self):
        return iter([1.0, 2.0])


class HugeLen:
    """Claims the largest length; yields two items."""

    def __len__(self):
        return sys.maxsize

    def __getitem__(self, i):
        if i >= 2:
            raise IndexError(i)
        return 0


class WrongTypes:
    """Conversions that return the wrong type."""

    def __float__(self):
        return "1.0"

    def __index__(self):
        return 1.5

    def __int__(self):
        return "1"

    def __len__(self):
        return -1

    def __bool__(self):
        return 2


class IntSub(int):
    def __index__(self):
        return 7


class FloatSub(float):
    def __float__(self):
        return -1.0


class StrSub(str):
    pass


class TupleSub(tuple):
    pass


class ListSub(list):
    pass


class DictSub(dict):
    pass


def self_clearing_list(n=4):
    """A list whose items empty it when converted to a number or compared."""
    items = []

    class Clearer:
        def _clear(self, *args):
            items.clear()
            return 1

        def __float__(self):
            self._clear()
            return 1.0

        __index__ = __int__ = __len__ = _clear

        def __eq__(self, other):
            return bool(self._clear())

        def __hash__(self):
            return self._clear()

    items.extend(Clearer() for _ in range(n))
    return items


def self_clearing_dict(n=4):
    """A dict whose values empty it when converted."""
    d = {}

    class Clearer:
        def __float__(self):
            d.clear()
            return 1.0

        def __index__(self):
            d.clear()
            return 1

    d.update((i, Clearer()) for i in range(n))
    return d


def self_list():
    lst = [1.0]
    lst.append(lst)
    return lst


def self_dict():
    d = {"a": 1}
    d["self"] = d
    return d


def nested(depth, leaf=1.0):
    value = leaf
    for _ in range(depth):
        value = [value]
    return value


def gen(*items):
    return (x for x in items)


def raising_gen():
    yield 1.0
    raise Boom("hostile")


_DTYPES = {
    "bool": np.bool_, "int8": np.int8, "uint8": np.uint8, "int16": np.int16,
    "int32": np.int32, "uint32": np.uint32, "int64": np.int64, "uint64": np.uint64,
    "float16": np.float16, "float32": np.float32, "float64": np.float64,
    "longdouble": np.longdouble, "complex64": np.complex64, "complex128": np.complex128,
    "object": object, "str": "U3", "bytes": "S3", "datetime": "M8[s]", "timedelta": "m8[s]",
    "struct": [("a", "<i4"), ("b", "<f8")], "void": "V4",
}


def _filled(dtype, shape):
    n = int(np.prod(shape)) if shape else 1
    if dtype == "object":
        values = [None, 1, 2.5, "a", Raising(), nan, [1], (2, 3)]
        out = np.empty(n, dtype=object)
        for i in range(n):
            out[i] = values[i % len(values)]
        return out.reshape(shape)
    if dtype == "str":
        return np.array(["a", "\u00e9\x00", "", "xyz"] * n, dtype="U3")[:n].reshape(shape)
    if dtype == "bytes":
        return np.array([b"a", b"\xff\x00", b"", b"xyz"] * n, dtype="S3")[:n].reshape(shape)
    a = np.arange(1, n + 1)
    if dtype in ("struct", "void"):
        return np.zeros(shape, dtype=_DTYPES[dtype])
    a = a.astype(_DTYPES[dtype])
    if dtype.startswith(("float", "complex", "longdouble")) and n > 2:
        a[1], a[2] = np.nan, np.inf
    return a.reshape(shape)


def arr(dtype="float64", form="matrix"):
    """A numpy array of the given dtype in one of many layouts."""
    if form == "0d":
        return _filled(dtype, ())
    if form == "empty":
        return _filled(dtype, (0,))
    if form == "empty2d":
        return _filled(dtype, (0, 3))
    if form == "vector":
        return _filled(dtype, (5,))
    if form == "matrix":
        return _filled(dtype, (2, 3))
    if form == "square":
        return _filled(dtype, (3, 3))
    if form == "3d":
        return _filled(dtype, (2, 3, 4))
    if form == "noncontig":
        return _filled(dtype, (3, 6))[:, ::2]
    if form == "fortran":
        return np.asfortranarray(_filled(dtype, (3, 2)))
    if form == "transposed":
        return _filled(dtype, (2, 3)).T
    if form == "reversed":
        return _filled(dtype, (5,))[::-1]
    if form == "broadcast":
        return np.broadcast_to(_filled(dtype, (3,)), (4, 3))
    if form == "readonly":
        a = _filled(dtype, (2, 3))
        a.flags.writeable = False
        return a
    if form == "byteswapped":
        a = _filled(dtype, (2, 3))
        return a.astype(a.dtype.newbyteorder())
    if form == "unaligned":
        a = _filled(dtype, (4,))
        raw = np.zeros(a.nbytes + 1, dtype=np.uint8)
        out = np.frombuffer(raw.data, dtype=a.dtype, count=4, offset=1)
        return out
    if form == "manydims":
        return _filled(dtype, (1,) * 32)
    if form == "masked":
        return np.ma.masked_array(_filled(dtype, (5,)), mask=[0, 1, 0, 1, 0])
    if form == "matrixclass":
        return np.asmatrix(_filled(dtype, (2, 3)))
    raise ValueError(form)


def sparse(fmt="csr", form="matrix"):
    """A scipy sparse matrix (or sparse array, fmt ending in "_array")."""
    if form == "empty":
        dense = np.zeros((0, 0))
    elif form == "zeros":
        dense = np.zeros((3, 4))
    elif form == "row":
        dense = np.array([[0.0, 1.0, 0.0, -2.5, 3.0]])
    elif form == "nan":
        dense = np.array([[np.nan, 0.0], [np.inf, -np.inf]])
    elif form == "int":
        dense = np.array([[0, 2, 0], [1, 0, 2**31 - 1]], dtype=np.int64)
    elif form == "bool":
        dense = np.array([[True, False], [False, True]])
    else:
        dense = np.array([[0.0, 1.5, 0.0, 2.0], [3.0, 0.0, 0.0, -1.0], [0.0, 0.0, 4.0, 0.0]])
    if fmt.endswith("_array"):
        return getattr(sp, fmt)(dense)
    return getattr(sp, fmt + "_matrix")(dense)


def sparse_unsorted():
    """A COO matrix with duplicate and unsorted entries."""
    return sp.coo_matrix(([1.0, 2.0, 3.0], ([2, 0, 2], [1, 1, 1])), shape=(3, 2))


class _CorruptCsr(sp.csr_matrix):
    """A CSR matrix whose index arrays point outside its shape. scipy's own
    operations trust those arrays and corrupt the heap (without the module
    involved at all), so they are refused here: only the module's readers,
    which must check, ever walk them."""


def _refused(self, *args, **kwargs):
    raise TypeError("scipy's own operations are not run on a corrupted matrix")


def _not_implemented(self, other):
    return NotImplemented  # the other operand's reflected method still runs


for _name in ("__eq__", "__ne__", "__lt__", "__le__", "__gt__", "__ge__", "__add__", "__radd__",
              "__sub__", "__rsub__", "__mul__", "__rmul__", "__matmul__", "__rmatmul__",
              "__truediv__", "__rtruediv__", "__pow__", "__iadd__", "__isub__", "__imul__",
              "__itruediv__"):
    setattr(_CorruptCsr, _name, _not_implemented)
for _name in ("__neg__", "__abs__", "__round__", "__getitem__", "__setitem__", "__iter__",
              "toarray", "todense", "tocsc", "tobsr", "todia", "todok", "tolil", "sum", "mean",
              "max", "min", "argmax", "argmin", "multiply", "dot", "power", "maximum", "minimum",
              "getrow", "getcol", "nonzero", "diagonal", "trace"):
    setattr(_CorruptCsr, _name, _refused)


def sparse_bad_indices():
    """A CSR matrix whose index arrays point outside its shape."""
    m = sp.csr_matrix(np.eye(3))
    m.indices[1] = 999
    m.__class__ = _CorruptCsr
    return m


# Models whose handles the factories below hand out; the newest few are kept
# alive, the older ones go, so some handles outlive their model.
_alive = []


def _kept(model):
    _alive.append(model)
    del _alive[:-20]
    return model


def psd_model():
    """A model with a bounded variable, a PSD variable, a semidefinite row and
    a semidefinite objective."""
    m = Model()
    x = m.addVar(lb=-1, ub=1, name="x")
    X = m.addPsdVar(dim=2, name="X")
    m.setObjective(np.eye(2) * X + x)
    m.addConstr(np.array([[1.0, 0.5], [0.0, 1.0]]) * X + x == 1, name="p")
    return m


def psd_var():
    """A PsdVar of a live model."""
    return _kept(psd_model()).getPsdVars()[0]


def psd_expr():
    """A PsdExpr with matrix, linear and constant parts, of a live model."""
    m = _kept(psd_model())
    e = PsdExpr([(np.eye(2), m.getPsdVars()[0]), (2.0, m.getVars()[0])])
    e.addConstant(1.5)
    return e


def psd_constr():
    """The PsdConstr of a semidefinite row of a live model."""
    return _kept(psd_model()).getPsdConstrs()[0]


def _model_arrays():
    m = _kept(Model())
    x = m.addMVar((2, 3), lb=-1.0, ub=2.0, name="x")
    c = m.addConstr(x <= 1, name="c")
    return m, x, c


def mvar(form="plain"):
    """An MVar of a live model, or one of its troubled variants."""
    m, x, _ = _model_arrays()
    if form == "removed":
        m.remove(x[0])
    elif form == "stale":
        m.dispose()
    elif form == "mixed":
        return MVar.fromlist([x[0, 0].item(), _model_arrays()[1][0, 0].item()])
    elif form == "empty":
        return x[:, :0]
    elif form == "0d":
        return x[1, 2]
    elif form == "reversed":
        return x[::-1, ::-1]
    return x


def mconstr(form="plain"):
    """An MConstr of a live model, or one of its troubled variants."""
    m, x, c = _model_arrays()
    if form == "removed":
        m.remove(c[1])
    elif form == "stale":
        m.dispose()
    elif form == "mixed":
        return MConstr._fromlist([c[0, 0].item(), _model_arrays()[2][0, 0].item()])
    elif form == "empty":
        return c[:0]
    elif form == "reversed":
        return c[::-1, ::-1]
    return c


def in_callback(name, where=5):
    """Model.<name> called with the given arguments inside a callback, at the
    first call at where (5 MIPNODE, 4 MIPSOL, 3 MIPSTART) of a small MIP
    whose root relaxation is fractional; what it raised comes out of
    optimize. The model's variables are handed in as x0 and x1 when the
    arguments name them."""

    def call(*args, **kwargs):
        m = didazoda.Model()
        x = [m.addVar(vtype="B", name="x%d" % j) for j in range(2)]
        m.addConstr(2 * x[0] + 2 * x[1] <= 3)
        m.setObjective(x[0] + x[1] + 0, -1)
        own = {"x0": x[0], "x1": x[1]}
        args = [own.get(a, a) if isinstance(a, str) else a for a in args]
        done = []

        def callback(model, w):
            if w == where and not done:
                done.append(w)
                getattr(model, name)(*args, **kwargs)

        m.optimize(callback)

    return call
