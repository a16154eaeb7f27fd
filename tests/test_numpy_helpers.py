"""The exported numpy_* C helpers, called through ctypes on the module's own
shared object and checked against what numpy itself reports."""

import ctypes
import sys

import numpy as np
import pytest

import didazoda

I32P = ctypes.POINTER(ctypes.c_int32)
ARR = ctypes.py_object

SIGNATURES = {
    "numpy_ndim": ([ARR], ctypes.c_int),
    "numpy_shape": ([ARR, I32P], None),
    "numpy_strides": ([ARR, I32P], None),
    "numpy_c_contiguous": ([ARR], ctypes.c_int),
    "numpy_f_contiguous": ([ARR], ctypes.c_int),
    "numpy_aligned": ([ARR], ctypes.c_int),
    "numpy_elestride": ([ARR], ctypes.c_int),
    "numpy_elepointer": ([ARR], ctypes.c_int),
    "numpy_elesize": ([ARR], ctypes.c_int),
    "numpy_alignment": ([ARR], ctypes.c_int),
    "numpy_size": ([ARR], ctypes.c_int),
    "numpy_get": ([ARR, I32P], ctypes.c_void_p),
    "numpy_getobj": ([ARR, I32P], ctypes.py_object),
    "numpy_set_obj_and_incref": ([ARR, I32P, ctypes.py_object], None),
    "numpy_flat": ([ARR, ctypes.c_int32], ctypes.c_void_p),
    "numpy_buffer": ([ARR], ctypes.c_void_p),
    "numpy_char_buffer": ([ARR], ctypes.POINTER(ctypes.c_int8)),
    "numpy_int_buffer": ([ARR], ctypes.POINTER(ctypes.c_int32)),
    "numpy_double_buffer": ([ARR], ctypes.POINTER(ctypes.c_double)),
    "numpy_c2f": ([ARR], None),
    "numpy_mark_c_order": ([ARR], None),
}


@pytest.fixture(scope="module")
def lib():
    dll = ctypes.PyDLL(didazoda.__file__)
    for name, (argtypes, restype) in SIGNATURES.items():
        fn = getattr(dll, name)  # every helper must be exported
        fn.argtypes = argtypes
        fn.restype = restype
    return dll


def data_address(a):
    return a.__array_interface__["data"][0]


def element_address(a, idx):
    # numpy's own view of that single element: an address computed by numpy.
    return data_address(a[tuple(slice(i, i + 1) for i in idx)]) if idx else data_address(a)


def index_buffer(idx):
    return (ctypes.c_int32 * max(len(idx), 1))(*idx)


def unaligned_float64():
    raw = np.zeros(8 * 3 + 1, dtype=np.uint8)
    return np.frombuffer(raw.data, dtype=np.float64, count=3, offset=1)


def base3d():
    return np.arange(2 * 3 * 4, dtype=np.float64).reshape(2, 3, 4)


ARRAYS = {
    "0d-int32": lambda: np.array(7, dtype=np.int32),
    "1d-float64": lambda: np.arange(5, dtype=np.float64),
    "2d-int8": lambda: np.arange(6, dtype=np.int8).reshape(2, 3),
    "3d-complex128": lambda: (base3d() + 1j).astype(np.complex128),
    "2d-bool": lambda: np.array([[True, False], [False, True]]),
    "2d-object": lambda: np.array([[1, "a"], [None, 2.5]], dtype=object),
    "fortran-2x3": lambda: np.asfortranarray(np.arange(6.0).reshape(2, 3)),
    "fortran-3d-int32": lambda: np.asfortranarray(np.arange(24, dtype=np.int32).reshape(2, 3, 4)),
    "step-view": lambda: np.arange(10, dtype=np.int32)[::2],
    "transpose": lambda: np.arange(12.0).reshape(3, 4).T,
    "reversed": lambda: np.arange(5.0)[::-1],
    "mixed-3d-view": lambda: base3d()[:, ::2, ::-1],
    "unaligned": unaligned_float64,
    "empty-3x0": lambda: np.zeros((3, 0)),
    "empty-1d": lambda: np.zeros(0, dtype=np.int32),
}


@pytest.fixture(params=list(ARRAYS), ids=list(ARRAYS))
def arr(request):
    return ARRAYS[request.param]()


def test_layout_and_flags(lib, arr):
    nd = arr.ndim
    assert lib.numpy_ndim(arr) == nd
    assert lib.numpy_size(arr) == arr.size  # 1 for 0-d, 0 for (3, 0)
    for fn, expected in ((lib.numpy_shape, arr.shape), (lib.numpy_strides, arr.strides)):
        buf = (ctypes.c_int32 * (nd + 1))(*([-12345] * (nd + 1)))
        fn(arr, buf)
        assert tuple(buf[:nd]) == expected
        assert buf[nd] == -12345  # nothing written past the last dimension
    assert lib.numpy_elesize(arr) == arr.itemsize
    assert lib.numpy_alignment(arr) == arr.dtype.alignment
    assert lib.numpy_elepointer(arr) == arr.dtype.flags & 0x4
    assert lib.numpy_elepointer(arr) == (4 if arr.dtype == object else 0)
    assert lib.numpy_c_contiguous(arr) == (1 if arr.flags.c_contiguous else 0)
    assert lib.numpy_f_contiguous(arr) == (2 if arr.flags.f_contiguous else 0)
    assert lib.numpy_aligned(arr) == (256 if arr.flags.aligned else 0)
    assert lib.numpy_elestride(arr) in (0, 128)
    assert lib.numpy_buffer(arr) == data_address(arr)


def test_get_addresses_every_element(lib, arr):
    for idx in np.ndindex(arr.shape):
        assert lib.numpy_get(arr, index_buffer(idx)) == element_address(arr, idx), idx


def test_flat_walks_in_row_major_order(lib, arr):
    if arr.size == 0:
        # No element exists; the call must simply not fault.
        lib.numpy_flat(arr, 0)
        return
    for p in range(arr.size):
        idx = np.unravel_index(p, arr.shape)
        assert lib.numpy_flat(arr, p) == element_address(arr, idx), p


def test_flat_on_fortran_array_follows_rows_not_memory(lib):
    a = np.asfortranarray(np.array([[10.0, 11.0, 12.0], [20.0, 21.0, 22.0]]))
    assert ctypes.c_double.from_address(lib.numpy_flat(a, 1)).value == 11.0
    assert ctypes.c_double.from_address(lib.numpy_flat(a, 3)).value == 20.0


def test_typed_buffers_alias_the_array(lib):
    ints = np.array([3, -4, 5], dtype=np.int32)
    ibuf = lib.numpy_int_buffer(ints)
    assert ibuf[:3] == [3, -4, 5]
    ibuf[1] = 40
    assert ints[1] == 40

    doubles = np.array([1.5, -2.25])
    dbuf = lib.numpy_double_buffer(doubles)
    assert dbuf[:2] == [1.5, -2.25]
    dbuf[0] = 9.75
    assert doubles[0] == 9.75

    chars = np.array([1, -2, 3], dtype=np.int8)
    cbuf = lib.numpy_char_buffer(chars)
    assert cbuf[:3] == [1, -2, 3]
    cbuf[2] = -7
    assert chars[2] == -7


@pytest.mark.parametrize(
    "make, idx",
    [
        (lambda: np.array([["a", "b", "c"], ["d", "e", "f"]], dtype=object), (1, 2)),
        (lambda: np.asfortranarray(np.array([["a", "b"], ["c", "d"]], dtype=object)), (1, 0)),
        (lambda: np.array(["a", "b", "c", "d"], dtype=object)[::-2], (1,)),
        (lambda: np.array("a", dtype=object), ()),
    ],
    ids=["c-order", "fortran", "reversed-step", "0d"],
)
def test_object_set_then_get(lib, make, idx):
    a = make()
    obj, prev = object(), object()
    a[idx] = prev
    obj_before, prev_before = sys.getrefcount(obj), sys.getrefcount(prev)

    lib.numpy_set_obj_and_incref(a, index_buffer(idx), obj)
    assert a[idx] is obj
    assert sys.getrefcount(obj) == obj_before + 1
    # The array's reference to the previous occupant is given back.
    assert sys.getrefcount(prev) == prev_before - 1

    got = lib.numpy_getobj(a, index_buffer(idx))
    assert got is obj
    assert sys.getrefcount(obj) == obj_before + 2  # the array's and ours
    del got
    a[idx] = None  # numpy releases the reference the helper stored
    assert sys.getrefcount(obj) == obj_before


def test_object_empty_slot_reads_as_none(lib):
    # Object arrays made in C can hold NULL slots; numpy reads them as None.
    a = np.empty(2, dtype=object)  # holds two references to None
    ctypes.memset(data_address(a), 0, a.nbytes)
    for _ in range(2):
        ctypes.pythonapi.Py_DecRef(ctypes.py_object(None))

    assert lib.numpy_getobj(a, index_buffer((0,))) is None
    obj = object()
    before = sys.getrefcount(obj)
    lib.numpy_set_obj_and_incref(a, index_buffer((1,)), obj)
    assert sys.getrefcount(obj) == before + 1
    assert a[1] is obj
    del a
    assert sys.getrefcount(obj) == before


FLAGS = ("C_CONTIGUOUS", "F_CONTIGUOUS", "OWNDATA", "WRITEABLE", "ALIGNED", "WRITEBACKIFCOPY")


def flags_of(a):
    return {name: a.flags[name] for name in FLAGS}


def snapshot(a):
    return (a.shape, a.strides, data_address(a), flags_of(a), a.tolist())


@pytest.mark.parametrize(
    "make",
    [
        lambda: np.arange(6.0).reshape(2, 3),
        lambda: np.arange(12.0).reshape(3, 4)[:, ::2],
        lambda: np.zeros((3, 0), order="F"),
        lambda: np.zeros((0, 2, 2), dtype=np.int32, order="F"),
    ],
    ids=["c-order", "non-contiguous", "fortran-3x0", "fortran-0x2x2"],
)
def test_mark_c_order_leaves_other_arrays_alone(lib, make):
    a = make()
    before = snapshot(a)
    lib.numpy_mark_c_order(a)
    assert snapshot(a) == before


@pytest.mark.parametrize(
    "shape, dtype, strides",
    [
        ((2, 3), np.float64, (24, 8)),
        ((2, 3, 4), np.int32, (48, 16, 4)),
        ((3, 1), np.int8, (1, 1)),
        ((), np.float64, ()),
    ],
    ids=["2x3-float64", "2x3x4-int32", "3x1-int8", "0d"],
)
@pytest.mark.parametrize("writeable", [True, False], ids=["writeable", "readonly"])
def test_mark_c_order_reinterprets_fortran_memory(lib, shape, dtype, strides, writeable):
    n = int(np.prod(shape))
    # Memory holds 0, 1, 2, ... in storage order.
    a = np.empty(shape, dtype=dtype, order="F")
    a.ravel(order="F")[...] = np.arange(n)  # a view: a is F-contiguous
    a.flags.writeable = writeable
    flags_before = flags_of(a)
    address = data_address(a)

    lib.numpy_mark_c_order(a)

    assert a.strides == strides
    assert a.shape == shape and data_address(a) == address
    assert a.tolist() == np.arange(n, dtype=dtype).reshape(shape).tolist()
    # Only the contiguity flags move, and they agree with numpy's own verdict.
    fresh = np.empty(shape, dtype=dtype)
    assert a.flags.c_contiguous and a.flags.f_contiguous == fresh.flags.f_contiguous
    for flag in FLAGS[2:]:
        assert a.flags[flag] == flags_before[flag], flag
