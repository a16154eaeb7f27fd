"""The pool of hostile argument values, each as the source text that builds
it in the namespace of fuzz.hostile. Instances of the module's own classes
join the pool from the table (every factory there is also a value here)."""
import numpy as np


SCALARS = [
    "None", "True", "False", "0", "1", "-1", "7",
    "2**31 - 1", "2**31", "-2**31", "-2**31 - 1", "2**63", "-2**63 - 1", "2**64", "10**100",
    "-10**100", "0.5", "-0.0", "2.9", "1e20", "-1e20", "1e308", "5e-324", "nan", "inf", "-inf",
    "1j", "complex(nan, inf)", "decimal.Decimal('nan')", "fractions.Fraction(1, 3)",
    "IntSub(3)", "FloatSub(2.5)",
    "np.float64(nan)", "np.float32(-inf)", "np.int64(-1)", "np.int32(2**31 - 1)",
    "np.uint64(2**64 - 1)", "np.bool_(True)", "np.datetime64('NaT')", "np.str_('a')",
]

TEXTS = [
    "''", "'a'", "'x'", "'\\x00'", "'a\\x00b'", "'\\u00e9t\\u00e9'", "'\\U0001f600'",
    "'\\udc80'", "'x' * 100000", "'x0'", "'x1'", "'<='", "'>'", "'*'", "'?'", "'%s%n%x'", "' '", "'\\n'",
    "'m.lp'", "'m.mps.gz'", "'p.prm'", "'s.sol'", "'b.bas'", "'s.mst'", "'q.dat-s'",
    "'m.lp.bz2'", "'no/such/dir/m.lp'", "'/proc/self/maps'", "StrSub('a')",
    "b''", "b'\\xff\\x00'", "b'm.lp'", "bytearray(b'ab')", "memoryview(b'abc')",
]

CONTAINERS = [
    "[]", "()", "{}", "set()", "frozenset([1])", "[1, 2]", "(1, 2)", "[(1, 2), (1, 3)]",
    "[[1, 2], [3]]", "[None]", "[nan, inf]", "((),)", "{'a': 1}", "{1: 'a', (1, 2): None}",
    "{RaisingEq(): 1}",
    "range(3)", "range(0)", "range(2**31, 2**31 + 3)", "slice(1, 2)", "array.array('d', [1.0, 2.0])",
    "TupleSub((1, 2))", "ListSub([1])", "DictSub(a=1)",
    "nested(3)", "nested(3000)", "self_list()", "self_dict()",
    "self_clearing_list()", "self_clearing_dict()",
    "gen()", "gen(1, 2.5, 'a')", "gen(None, Raising())", "raising_gen()", "iter([1, 2])",
]

OBJECTS = [
    "Raising()", "RaisingEq()", "RaisingFloat()", "RaisingIndex()", "RaisingLen()",
    "LyingLen()", "HugeLen()", "WrongTypes()", "Boom('x')", "object()", "object", "int",
    "type", "Ellipsis", "NotImplemented", "didazoda", "quiet", "boom", "lambda: None",
    "Raising", "np", "version",
]

# numpy 1.x itself crashes on `None | a` for a long-double array.
_LONG_DOUBLE = ["longdouble"] if int(np.__version__.split(".")[0]) >= 2 else []

ARRAYS = (
    # every dtype in a plain layout, every layout in a few dtypes
    [f"arr({d!r}, 'vector')" for d in [
        "bool", "int8", "uint8", "int16", "int32", "uint32", "int64", "uint64", "float16",
        "float32", "float64", "complex64", "complex128", "object", "str", "bytes",
        "datetime", "timedelta", "struct", "void"] + _LONG_DOUBLE]
    + [f"arr({d!r}, {f!r})" for d in ("float64", "int32", "object") for f in (
        "0d", "empty", "empty2d", "matrix", "square", "3d", "noncontig", "fortran",
        "transposed", "reversed", "broadcast", "readonly", "byteswapped", "manydims",
        "masked", "matrixclass")]
    + ["arr('float64', 'unaligned')", "arr('int64', 'unaligned')", "arr('bool', 'matrix')",
       "arr('complex128', 'fortran')", "arr('str', 'matrix')", "arr('uint64', 'noncontig')",
       "arr('float32', 'empty2d')", "arr('int8', '0d')"]
)

SPARSE = (
    [f"sparse({fmt!r})" for fmt in ("csr", "csc", "coo", "dok", "lil", "bsr", "dia",
                                    "csr_array", "coo_array")]
    + [f"sparse('csr', {f!r})" for f in ("empty", "zeros", "row", "nan", "int", "bool")]
    + ["sparse('coo', 'nan')", "sparse('csc', 'int')", "sparse_unsorted()",
       "sparse_bad_indices()"]
)

VALUES = SCALARS + TEXTS + CONTAINERS + OBJECTS + ARRAYS + SPARSE

# Keys for dicts built from pool values.
KEYS = ["'a'", "'x'", "0", "1", "None", "(1, 2)", "nan", "'\\u00e9'", "RaisingEq()", "-1"]
