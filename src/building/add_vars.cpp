// Adding variables: Model.addVar (one variable, optionally with a column)
// and the internal block form behind addVars and addMVar. Each request is
// one library call; its Var handles join varlist_ only once the library
// has accepted it, so a refusal leaves the model as it was.
#include <algorithm>
#include <climits>

#include "expr/expr_util.h"
#include "model/column.h"
#include "model/handles.h"
#include "model/model.h"
#include "runtime/args.h"
#include "module/tarvex_error.h"
#include "runtime/arraylike.h"
#include "runtime/globals.h"
#include "runtime/sizes.h"
#include "runtime/utf8.h"

namespace dz {

namespace {

// The block form's defaults as bound at import: TVX.INFINITY and
// TVX.CONTINUOUS as they were then (owned for the life of the process).
PyObject *import_infinity = nullptr;
PyObject *import_continuous = nullptr;

// ---- Shared ------------------------------------------------------------------

// Everything that can run Python code (conversions, __float__, finalizers of
// a collection triggered by an allocation) is done before the live model is
// taken, so the solver model, varlist_ and the indices it gives cannot
// change before the library call.

// A handle to be numbered once the model is known to be live.
PyObject *unplaced_var() { return Var_ops.new_(nullptr, 0); }

void place_var(PyObject *handle, TVXmodel *mdl, int index) {
  as_handle(handle)->mdl_ = mdl;
  handle_set_index(handle, index);
}

// Objects the block form compares with or builds from, made once.
struct Literals {
  PyObject *zero_float, *zero_int, *empty, *space;
  PyObject *continuous[4];  // "c", "C", b"c", b"C": the default type, in the order compared
};

const Literals *literals() {
  static Literals lit = {};
  if (!lit.space) {
    Ref made[] = {Ref(PyFloat_FromDouble(0.0)),   Ref(PyLong_FromLong(0)),
                  Ref(PyUnicode_FromString("")),  Ref(PyUnicode_FromString(" ")),
                  Ref(PyUnicode_FromString("c")), Ref(PyUnicode_FromString("C")),
                  Ref(PyBytes_FromString("c")),   Ref(PyBytes_FromString("C"))};
    for (const Ref &o : made)
      if (!o) return nullptr;
    // Kept for the life of the process.
    lit = {made[0].release(),
           made[1].release(),
           made[2].release(),
           made[3].release(),
           {made[4].release(), made[5].release(), made[6].release(), made[7].release()}};
  }
  return &lit;
}

// ---- addVar: the column ----------------------------------------------------------

struct ColumnTerm {
  int row;
  int pos;  // position in the Column: terms of one row are summed in this order
  double value;
};

// The column's rows, ascending, each once with the sum of its coefficients
// (zeros kept).
struct ColumnArrays {
  Buffer<int> ind;
  Buffer<double> val;
  int count = 0;
};

// Also sets *mdl, the live model. The two lists are copied first, so
// __float__ of a stored coefficient cannot change what is read; the rows are
// read last, after every conversion, from handles that must belong to *mdl.
int read_column(ModelObject *m, PyObject *column, ColumnArrays &out, TVXmodel **mdl) {
  ColumnObject *c = as_column(column);
  for (PyObject *field : {c->coeffs_, c->constrs_}) {
    if (!PyList_Check(field)) {
      PyErr_Format(PyExc_TypeError, "object of type '%.200s' has no len()",
                   Py_TYPE(field)->tp_name);
      return -1;
    }
  }
  Ref coeffs(PyList_GetSlice(c->coeffs_, 0, PY_SSIZE_T_MAX));
  if (!coeffs) return -1;
  Ref constrs(PyList_GetSlice(c->constrs_, 0, PY_SSIZE_T_MAX));
  if (!constrs) return -1;
  int n = 0, given = 0;
  if (!int_size(PyList_GET_SIZE(constrs.get()), &n) ||
      !int_size(PyList_GET_SIZE(coeffs.get()), &given))
    return -1;
  if (given != n) return raise_unequal_terms("Column", given, n);
  for (int k = 0; k < n; k++) {
    if (!handle_check(PyList_GET_ITEM(constrs.get(), k), &Constr_Type)) {
      raise_text("Expect a list of constr");
      return -1;
    }
  }
  Buffer<ColumnTerm> terms;
  if (!terms.allocate(n)) return -1;
  for (int k = 0; k < n; k++) {
    if (!as_double(PyList_GET_ITEM(coeffs.get(), k), &terms[k].value)) return -1;
    terms[k].pos = k;
  }
  if (!out.ind.allocate(n) || !out.val.allocate(n)) return -1;

  if (!(*mdl = model_edit_handle(m))) return -1;
  for (int k = 0; k < n; k++) {
    PyObject *constr = PyList_GET_ITEM(constrs.get(), k);
    if (!handle_of_model(constr, *mdl)) return -1;
    terms[k].row = handle_index(constr);
  }
  std::sort(terms.get(), terms.get() + n, [](const ColumnTerm &a, const ColumnTerm &b) {
    return a.row != b.row ? a.row < b.row : a.pos < b.pos;
  });
  int count = 0;
  for (int k = 0; k < n; k++) {
    if (count > 0 && out.ind[count - 1] == terms[k].row) {
      out.val[count - 1] += terms[k].value;
    } else {
      out.ind[count] = terms[k].row;
      out.val[count] = terms[k].value;
      count++;
    }
  }
  out.count = count;
  return 0;
}

// ---- addVar ------------------------------------------------------------------------

const char *const addVar_args[] = {"self", "lb", "ub", "obj", "vtype", "name", "column"};

PyObject *model_addVar_impl(PyObject *, PyObject *const *args) {
  ModelObject *m = as_model(args[0]);
  double lb = 0, ub = 0, obj = 0;
  if (!as_double(args[1], &lb) || !as_double(args[2], &ub) || !as_double(args[3], &obj))
    return nullptr;
  PyObject *vtype = args[4], *name = args[5], *column = args[6];
  if (!check_arg_type(vtype, &PyUnicode_Type, "vtype", true) ||
      !check_arg_type(name, &PyUnicode_Type, "name", true) ||
      !check_arg_type(column, &Column_Type, "column", false))
    return nullptr;

  Ref raw_name;
  if (name != Py_None && !(raw_name = Ref(str2chars(name)))) return nullptr;
  Ref raw_type(str2chars(vtype));
  if (!raw_type) return nullptr;
  // The first byte of the encoding; the empty string gives its terminating 0.
  const char type_byte = PyBytes_AS_STRING(raw_type.get())[0];

  Ref handle(unplaced_var());
  if (!handle) return nullptr;
  ColumnArrays col;
  TVXmodel *mdl = nullptr;
  if (column != Py_None ? read_column(m, column, col, &mdl) < 0 : !(mdl = model_edit_handle(m)))
    return nullptr;

  int index = 0;
  if (!int_size(PyList_GET_SIZE(m->varlist_), &index)) return nullptr;
  place_var(handle.get(), mdl, index);
  const int rc = TVXaddvar(mdl, col.count, col.ind.get(), col.val.get(), obj, lb, ub, type_byte,
                           raw_name ? PyBytes_AS_STRING(raw_name.get()) : nullptr);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  if (PyList_Append(m->varlist_, handle.get()) < 0) return nullptr;
  return handle.release();
}

const char addVar_doc[] = R"doc(
        SIGNATURE:
            addVar(lb=0, ub=float('inf'), obj=0, vtype='C', name='', column=None)

        PURPOSE:
            Add a variable to the model.

        ARGUMENTS:
            lb=0
            ----
            Lower bound of the variable.

            ub=float('inf')
            ---------------
            Upper bound of the variable; 1e+20 or more means no upper bound.

            obj=0
            -----
            Objective coefficient of the variable.

            vtype='C'
            ---------
            Variable type: 'C' continuous, 'B' binary, 'I' integer, 'S' semi-continuous
            or 'N' semi-integer.

            name=''
            -------
            The name of the variable.

            column=None
            -----------
            A Column holding the coefficients of the variable in existing constraints.

        EXAMPLE:
            x = m.addVar()
            y = m.addVar(lb=1.0, ub=5.0, obj=2.0, vtype='I', name='y')
            z = m.addVar(obj=1.0, column=Column([1.0, 2.0], [c0, c1]))

        )doc";

// ---- The block form ----------------------------------------------------------------

int equals(PyObject *x, PyObject *value) { return PyObject_RichCompareBool(x, value, Py_EQ); }

// An array-like in row-major order whatever its memory layout, so element i
// always belongs to the variable at flat position i.
PyArrayObject *row_major(PyObject *x, int type_num) {
  PyArray_Descr *descr = type_num >= 0 ? PyArray_DescrFromType(type_num) : nullptr;
  if (type_num >= 0 && !descr) return nullptr;
  return np_row_major(x, descr);
}

// One double per variable, or none (null: the library's default).
struct Doubles {
  Ref array;            // a converted array-like, alive until the call returned
  Buffer<double> fill;  // n copies of a single value
  const double *data = nullptr;
};

// A single value repeated for every variable, or an array-like of exactly n.
int block_doubles(PyObject *x, Py_ssize_t n, const char *what, Doubles &out) {
  const int single = is_zero_dim(x);
  if (single < 0) return -1;
  if (single) {
    double v = 0;
    if (!float_of(x, &v) || !out.fill.allocate(n)) return -1;
    std::fill(out.fill.get(), out.fill.get() + n, v);
    out.data = out.fill.get();
    return 0;
  }
  PyArrayObject *arr = row_major(x, NPY_DOUBLE);
  if (!arr) return -1;
  out.array = Ref(reinterpret_cast<PyObject *>(arr));
  if (PyArray_SIZE(arr) != n) {
    PyErr_Format(PyExc_ValueError, "%s doesn't have enough elements", what);
    return -1;
  }
  out.data = static_cast<const double *>(PyArray_DATA(arr));
  return 0;
}

// The first byte of a str (as UTF-8) or bytes into *byte: 1, 0 when v is
// neither, or -1 with an exception.
int first_byte(PyObject *v, char *byte) {
  Ref raw;
  if (PyUnicode_Check(v)) {
    if (!(raw = Ref(str2chars(v)))) return -1;
    v = raw.get();
  } else if (!PyBytes_Check(v)) {
    return 0;
  }
  if (PyBytes_GET_SIZE(v) == 0) {
    PyErr_SetString(PyExc_IndexError, "index out of range");
    return -1;
  }
  *byte = PyBytes_AS_STRING(v)[0];
  return 1;
}

int block_types(PyObject *vtype, Py_ssize_t n, Buffer<char> &out, bool *given) {
  *given = false;
  if (vtype == Py_None) return 0;
  const int single = is_zero_dim(vtype);
  if (single < 0) return -1;
  if (single) {
    const Literals *lit = literals();
    if (!lit) return -1;
    // A lower-case c is the default too.
    for (PyObject *dflt : lit->continuous) {
      const int eq = equals(vtype, dflt);
      if (eq) return eq < 0 ? -1 : 0;
    }
    char b = 0;
    const int read = first_byte(vtype, &b);
    if (read == 0) PyErr_SetString(PyExc_TypeError, "vtype should be str or byte");
    if (read <= 0) return -1;
    if (!out.allocate(n)) return -1;
    std::fill(out.get(), out.get() + n, b);
    *given = true;
    return 0;
  }
  Ref arr(reinterpret_cast<PyObject *>(row_major(vtype, -1)));
  if (!arr) return -1;
  PyArrayObject *a = reinterpret_cast<PyArrayObject *>(arr.get());
  if (PyArray_SIZE(a) != n) {
    PyErr_SetString(PyExc_ValueError, "vtype doesn't have enough elements");
    return -1;
  }
  if (!out.allocate(n)) return -1;
  char *data = static_cast<char *>(PyArray_DATA(a));
  for (Py_ssize_t i = 0; i < n; i++) {
    // The element as numpy.take gives it: numpy scalars keep their type name.
    Ref v(PyArray_ToScalar(data + i * PyArray_ITEMSIZE(a), a));
    if (!v) return -1;
    const int read = first_byte(v.get(), &out[i]);
    if (read == 0) {
      Ref tname(type_name(v.get()));
      if (!tname) return -1;
      PyErr_Format(PyExc_TypeError, "vtype contains bad type %S at %zd", tname.get(), i);
    }
    if (read <= 0) return -1;
  }
  *given = true;
  return 0;
}

// Names kept alive as bytes while the library reads them.
struct Names {
  Ref encoded;  // list of bytes
  Buffer<const char *> ptr;
};

int set_name(Names &out, Py_ssize_t i, PyObject *text) {
  PyObject *raw = str2chars(text);
  if (!raw) return -1;
  PyList_SET_ITEM(out.encoded.get(), i, raw);
  out.ptr[i] = PyBytes_AS_STRING(raw);
  return 0;
}

// str(list(index)) with every space removed: "[0,1]", "['a',2]".
PyObject *subscript(PyObject *index) {
  Ref items(PySequence_List(index));
  if (!items) return nullptr;
  Ref text(PyObject_Str(items.get()));
  if (!text) return nullptr;
  const Literals *lit = literals();
  if (!lit) return nullptr;
  return PyUnicode_Replace(text.get(), lit->space, lit->empty, -1);
}

int block_names(PyObject *name, PyObject *indices, Py_ssize_t n, Names &out, bool *given) {
  *given = false;
  if (name == Py_None) return 0;
  const int single = is_zero_dim(name);
  if (single < 0) return -1;
  const Literals *lit = literals();
  if (!lit) return -1;
  if (single) {
    const int empty = equals(name, lit->empty);
    if (empty) return empty < 0 ? -1 : 0;
  }
  Ref arr;
  if (!single) {
    arr = Ref(reinterpret_cast<PyObject *>(row_major(name, -1)));
    if (!arr) return -1;
    if (PyArray_SIZE(reinterpret_cast<PyArrayObject *>(arr.get())) != n) {
      PyErr_SetString(PyExc_ValueError, "names doesn't have enough elements");
      return -1;
    }
  }
  if (!(out.encoded = Ref(PyList_New(n))) || !out.ptr.allocate(n)) return -1;
  if (single) {
    Ref stem(PyObject_Str(name));
    if (!stem) return -1;
    if (n > 0 && !PyIter_Check(indices)) {
      PyErr_Format(PyExc_TypeError, "%.200s object is not an iterator", Py_TYPE(indices)->tp_name);
      return -1;
    }
    for (Py_ssize_t i = 0; i < n; i++) {
      Ref index(PyIter_Next(indices));
      if (!index) {
        if (!PyErr_Occurred()) PyErr_SetNone(PyExc_StopIteration);
        return -1;
      }
      Ref sub(subscript(index.get()));
      if (!sub) return -1;
      Ref full(PyUnicode_Concat(stem.get(), sub.get()));
      if (!full || set_name(out, i, full.get()) < 0) return -1;
    }
  } else {
    PyArrayObject *a = reinterpret_cast<PyArrayObject *>(arr.get());
    char *data = static_cast<char *>(PyArray_DATA(a));
    for (Py_ssize_t i = 0; i < n; i++) {
      Ref v(PyArray_ToScalar(data + i * PyArray_ITEMSIZE(a), a));
      if (!v) return -1;
      Ref text(PyObject_Str(v.get()));
      if (!text || set_name(out, i, text.get()) < 0) return -1;
    }
  }
  *given = true;
  return 0;
}

// The result array: object dtype, the given shape. n is its size, which
// must fit a 32-bit count; it is checked before anything is allocated.
PyObject *result_array(PyObject *shape, Py_ssize_t *n) {
  PyArray_Dims dims = {nullptr, 0};
  if (!PyArray_IntpConverter(shape, &dims)) return nullptr;
  struct Release {
    PyArray_Dims &d;
    ~Release() {
      if (d.ptr) PyDimMem_FREE(d.ptr);
    }
  } release{dims};
  if (dims.len <= 0) {
    PyErr_SetString(PyExc_ValueError, "empty shape");
    return nullptr;
  }
  bool zero = false, negative = false;
  for (int k = 0; k < dims.len; k++) {
    zero = zero || dims.ptr[k] == 0;
    negative = negative || dims.ptr[k] < 0;
  }
  if (!negative && !zero) {
    npy_intp size = 1;
    for (int k = 0; k < dims.len; k++) {
      if (dims.ptr[k] > INT_MAX / size) return raise_int32_overflow(), nullptr;
      size *= dims.ptr[k];
    }
  }
  // numpy itself refuses negative extents.
  PyObject *arr = PyArray_Empty(dims.len, dims.ptr, PyArray_DescrFromType(NPY_OBJECT), 0);
  if (arr) *n = PyArray_SIZE(reinterpret_cast<PyArrayObject *>(arr));
  return arr;
}

int defaults_ready() {
  if (import_infinity && import_continuous) return 0;
  PyErr_SetString(PyExc_SystemError, "Model._addVars used before its defaults were bound");
  return -1;
}

// The per-variable data of a block, each left null where the library's
// default holds.
struct BlockData {
  Doubles lbs, ubs, objs;
  Buffer<char> types;
  bool has_types = false;
  Names names;
  bool has_names = false;
};

// lb or obj: absent, None, or a single value equal to the default leaves the
// library's default.
int block_doubles_unless_default(PyObject *x, PyObject *dflt, Py_ssize_t n, const char *what,
                                 Doubles &out) {
  if (!x || x == Py_None) return 0;
  const int single = is_zero_dim(x);
  if (single < 0) return -1;
  const int is_default = single ? equals(x, dflt) : 0;
  if (is_default < 0) return -1;
  return is_default ? 0 : block_doubles(x, n, what, out);
}

// ub: None, or a number at or above TVX.INFINITY, leaves no upper bound.
int block_upper_bounds(PyObject *ub, Py_ssize_t n, Doubles &out) {
  if (ub == Py_None) return 0;
  int infinite = is_number(ub);
  if (infinite > 0) {
    Ref threshold(tvx_constant("INFINITY"));
    if (!threshold) return -1;
    infinite = PyObject_RichCompareBool(ub, threshold.get(), Py_GE);
  }
  if (infinite < 0) return -1;
  return infinite ? 0 : block_doubles(ub, n, "ub", out);
}

// Reads every per-variable argument of a block of n; name may be absent.
int read_block(const Literals *lit, PyObject *indices, PyObject *lb, PyObject *ub, PyObject *obj,
               PyObject *vtype, PyObject *name, Py_ssize_t n, BlockData &out) {
  if (block_doubles_unless_default(lb, lit->zero_float, n, "lb", out.lbs) < 0 ||
      block_upper_bounds(ub, n, out.ubs) < 0 ||
      block_doubles_unless_default(obj, lit->zero_int, n, "obj", out.objs) < 0 ||
      block_types(vtype, n, out.types, &out.has_types) < 0)
    return -1;
  if (name && block_names(name, indices, n, out.names, &out.has_names) < 0) return -1;
  return 0;
}

// A list of n handles not numbered yet, also stored in the cells of the
// result array.
PyObject *unplaced_block(PyObject *result, Py_ssize_t n) {
  Ref handles(PyList_New(n));
  if (!handles) return nullptr;
  auto *result_arr = reinterpret_cast<PyArrayObject *>(result);
  PyObject **cells = static_cast<PyObject **>(PyArray_DATA(result_arr));
  for (Py_ssize_t i = 0; i < n; i++) {
    PyObject *h = unplaced_var();
    if (!h) return nullptr;
    PyList_SET_ITEM(handles.get(), i, h);
    Py_INCREF(h);
    Py_XSETREF(cells[i], h);
  }
  return handles.release();
}

// Numbers the handles after the model's variables and adds the block in one
// library call; the handles join varlist_ once the library accepted it.
int add_block(ModelObject *self, PyObject *handles, const BlockData &d) {
  TVXmodel *mdl = model_edit_handle(self);
  if (!mdl) return -1;
  const Py_ssize_t n = PyList_GET_SIZE(handles), first = PyList_GET_SIZE(self->varlist_);
  // The last new index, end - 1, is an int, and so are all before it.
  int count = 0, end = 0;
  if (!int_size(n, &count) || !int_size(first + n, &end)) return -1;
  for (int i = 0; i < count; i++) place_var(PyList_GET_ITEM(handles, i), mdl, end - count + i);
  const int rc =
      TVXaddvars(mdl, count, 0, nullptr, nullptr, nullptr, d.objs.data, d.lbs.data, d.ubs.data,
                 d.has_types ? d.types.get() : nullptr, d.has_names ? d.names.ptr.get() : nullptr);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc), -1;
  return PyList_SetSlice(self->varlist_, first, first, handles);
}

}  // namespace

PyObject *model_addvars(ModelObject *self, PyObject *shape, PyObject *indices, PyObject *lb,
                        PyObject *ub, PyObject *obj, PyObject *vtype, PyObject *name) {
  if (!ub || !vtype) {
    if (defaults_ready() < 0) return nullptr;
    if (!ub) ub = import_infinity;
    if (!vtype) vtype = import_continuous;
  }
  const Literals *lit = literals();
  if (!lit) return nullptr;
  Py_ssize_t n = 0;
  Ref result(result_array(shape, &n));
  if (!result) return nullptr;

  BlockData data;
  if (read_block(lit, indices, lb, ub, obj, vtype, name, n, data) < 0) return nullptr;
  Ref handles(unplaced_block(result.get(), n));
  if (!handles || add_block(self, handles.get(), data) < 0) return nullptr;
  return result.release();
}

namespace {

// TVX.INFINITY (as a double) and TVX.CONTINUOUS (a str or None) read at
// binding time; also kept as the block form's defaults.
PyObject *addVar_defaults() {
  // (lb, ub, obj, vtype, name) of the block forms: ub and vtype are the TVX
  // values themselves.
  Ref block(block_var_defaults());
  if (!block) return nullptr;
  Ref infinity = Ref::borrow(PyTuple_GET_ITEM(block.get(), 1));
  Ref continuous = Ref::borrow(PyTuple_GET_ITEM(block.get(), 3));
  double ub = 0;
  if (!as_double(infinity.get(), &ub)) return nullptr;
  if (!check_arg_type(continuous.get(), &PyUnicode_Type, "vtype", true)) return nullptr;
  Ref ub_default(PyFloat_FromDouble(ub));
  if (!ub_default) return nullptr;
  Ref defaults(
      Py_BuildValue("(dOdOsO)", 0.0, ub_default.get(), 0.0, continuous.get(), "", Py_None));
  if (!defaults) return nullptr;
  Py_XSETREF(import_infinity, infinity.release());
  Py_XSETREF(import_continuous, continuous.release());
  return defaults.release();
}

}  // namespace

const FuncSpec Model_addVar_spec =
    DZ_METHOD(Model, addVar, addVar_args, model_addVar_impl, addVar_doc)
        .with_defaults_hook(addVar_defaults);

}  // namespace dz
