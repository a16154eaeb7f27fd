// Model's array members: addMVar, and the array form of addConstr, which
// adds one row per cell of an expression array in one library call.
#include "array/model_arrays.h"

#include <string>

#include "array/array_object.h"
#include "callbacks/context.h"
#include "runtime/globals.h"
#include "module/tarvex_error.h"
#include "runtime/arraylike.h"
#include "runtime/numpy_api.h"
#include "runtime/sizes.h"

namespace dz {

namespace {

// ---- addConstr of an array ---------------------------------------------------------

// "[i,j]": the multi-index of row-major position k of shape, as
// str(list(index)) without blanks writes it.
void index_text(std::string &out, npy_intp k, int nd, const npy_intp *dims) {
  npy_intp index[NPY_MAXDIMS];
  for (int d = nd - 1; d >= 0; d--) {
    index[d] = dims[d] > 0 ? k % dims[d] : 0;
    k = dims[d] > 0 ? k / dims[d] : 0;
  }
  out.assign("[");
  for (int d = 0; d < nd; d++) {
    if (d) out.push_back(',');
    out.append(std::to_string(index[d]));
  }
  out.push_back(']');
}

// One name per cell: name followed by the cell's multi-index, or all empty
// for None and "".
PyObject *row_names(PyObject *name, PyArrayObject *cells) {
  const npy_intp n = PyArray_SIZE(cells);
  Ref names(PyList_New(n));
  if (!names) return nullptr;
  bool plain = name == Py_None;
  if (!plain && PyUnicode_Check(name)) plain = PyUnicode_GET_LENGTH(name) == 0;
  Ref empty(PyUnicode_FromString(""));
  if (!empty) return nullptr;
  std::string text;
  for (npy_intp k = 0; k < n; k++) {
    PyObject *row_name;
    if (plain) {
      Py_INCREF(empty.get());
      row_name = empty.get();
    } else {
      try {
        index_text(text, k, PyArray_NDIM(cells), PyArray_DIMS(cells));
      } catch (const std::bad_alloc &) {
        return PyErr_NoMemory();
      }
      Ref suffix(PyUnicode_FromStringAndSize(text.data(), py_size(text)));
      if (!suffix) return nullptr;
      row_name = PyUnicode_Concat(name, suffix.get());
      if (!row_name) return nullptr;
    }
    PyList_SET_ITEM(names.get(), k, row_name);
  }
  return names.release();
}

// An MConstr of the handles in a list, in the given shape (of their
// number). Built here rather than by numpy.array, which would probe every
// handle for the array protocols.
PyObject *constr_array(PyObject *handles, int nd, npy_intp *dims) {
  const Py_ssize_t n = PyList_GET_SIZE(handles);
  Ref out(PyArray_Empty(nd, dims, PyArray_DescrFromType(NPY_OBJECT), 0));
  if (!out) return nullptr;
  if (n != PyArray_SIZE(reinterpret_cast<PyArrayObject *>(out.get()))) {
    PyErr_SetString(PyExc_SystemError, "rows added differ from the cells given");
    return nullptr;
  }
  PyObject **slots =
      static_cast<PyObject **>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(out.get())));
  for (Py_ssize_t k = 0; k < n; k++) {
    PyObject *h = PyList_GET_ITEM(handles, k);
    Py_INCREF(h);
    Py_XSETREF(slots[k], h);
  }
  return MConstr_ops.new_(out.get());
}

}  // namespace

PyObject *model_addconstr_array(ModelObject *self, PyObject *expr, PyObject *lhs, PyObject *rhs,
                                PyObject *name) {
  Ref rows;
  if (mvar_check(expr)) {
    Ref zero(PyLong_FromLong(0));
    if (!zero) return nullptr;
    rows = Ref(PyNumber_Add(expr, zero.get()));
  } else {
    rows = Ref::borrow(expr);
  }
  if (!rows) return nullptr;
  // The cells in row-major order, in an array of their own: the rows and
  // their names are read from it, whatever happens to the expression.
  Ref cells(np_object_copy(array_field(rows.get())));
  if (!cells) return nullptr;
  PyArrayObject *c = reinterpret_cast<PyArrayObject *>(cells.get());
  Ref names(row_names(name, c));
  if (!names) return nullptr;
  Ref flat(PyArray_Ravel(c, NPY_CORDER));
  if (!flat) return nullptr;
  Ref handles(Model_ops.addConstrs(self, flat.get(), lhs, rhs, names.get()));
  if (!handles) return nullptr;
  return constr_array(handles.get(), PyArray_NDIM(c), PyArray_DIMS(c));
}

namespace {

// ---- addMVar -----------------------------------------------------------------------

const char *const addMVar_args[] = {"self", "shape", "lb", "ub", "obj", "vtype", "name"};

PyObject *model_addMVar_impl(PyObject *, PyObject *const *args) {
  // numpy.ndindex refuses a list (and so anything numpy would read in place).
  Ref ndindex(np_attr("ndindex"));
  if (!ndindex) return nullptr;
  Ref indices(PyObject_CallFunctionObjArgs(ndindex.get(), args[1], nullptr));
  if (!indices) return nullptr;
  Ref vars(Model_ops.addVars(as_model(args[0]), args[1], indices.get(), args[2], args[3], args[4],
                             args[5], args[6]));
  if (!vars) return nullptr;
  return MVar_ops.new_(vars.get());
}

const char addMVar_doc[] = R"doc(
        SIGNATURE:
            addMVar(shape, lb=0.0, ub=float('inf'), obj=0.0, vtype='C', name='')

        PURPOSE:
            Add an MVar

        ARGUMENTS:
            shape
            -----
            Specifies the shape of the MVar to be added.

            lb=0.0
            ------
            The lower bound of all variables: a single number, an array or a numpy
            array; a numpy array must have the shape of the MVar.

            ub=float('inf')
            ---------------
            The upper bound of all variables: a single number, an array or a numpy
            array; a numpy array must have the shape of the MVar.

            obj=0.0
            -------
            The objective coefficients of all variables: a single number, an array or a
            numpy array; a numpy array must have the shape of the MVar.

            vtype='C'
            ---------
            The type of all variables: a single character, an array or a numpy array.
            * TVX.CONTINUOUS('C') for continuous variable
            * TVX.BINARY('B') for binary variable
            * TVX.INTEGER('I') for integral variable
            * TVX.SEMICONT('S') for semi-continuous variable
            * and TVX.SEMIINT('N') for semi-integral variable

            name=''
            -------
            The names of all variables: each is the given name followed by its
            subscript, when the name is not None.

        EXAMPLE:
            x = m.addMVar((2, 2))
            y = m.addMVar((2, 2), lb=0)
            z = m.addMVar((2, 2), lb=[1, 2, 3, 4])

        )doc";

// ---- addMConstr --------------------------------------------------------------------

const char *const addMConstr_args[] = {"self", "A", "x", "sense", "b", "name"};

// numpy.array(obj): a new ndarray (never a subclass) of obj's values.
PyObject *np_array(PyObject *obj) {
  return PyArray_FromAny(obj, nullptr, 0, 0, NPY_ARRAY_ENSUREARRAY | NPY_ARRAY_ENSURECOPY, nullptr);
}

inline int ndim_of(PyObject *arr) { return PyArray_NDIM(reinterpret_cast<PyArrayObject *>(arr)); }

// obj.<attr> as a Py_ssize_t; -1 with an exception.
Py_ssize_t ssize_attr(PyObject *obj, const char *attr) {
  Ref v(PyObject_GetAttrString(obj, attr));
  if (!v) return -1;
  return PyNumber_AsSsize_t(v.get(), PyExc_OverflowError);
}

// Entry `axis` of obj.shape, or -1 with an exception.
Py_ssize_t shape_entry(PyObject *obj, Py_ssize_t axis) {
  Ref shape(PyObject_GetAttrString(obj, "shape"));
  if (!shape) return -1;
  Ref v(PySequence_GetItem(shape.get(), axis));
  if (!v) return -1;
  return PyNumber_AsSsize_t(v.get(), PyExc_OverflowError);
}

PyObject *raise_type(const char *text) {
  PyErr_SetString(PyExc_TypeError, text);
  return nullptr;
}

PyObject *raise_value(const char *text) {
  PyErr_SetString(PyExc_ValueError, text);
  return nullptr;
}

// The senses as a 1-D array of m entries, each "<", ">" or "=".
PyObject *senses(PyObject *sense, Py_ssize_t m) {
  Ref arr(np_array(sense));
  if (!arr) return nullptr;
  int nd = ndim_of(arr.get());
  if (nd == 0) {
    Ref repeated(PyList_New(m));
    if (!repeated) return nullptr;
    for (Py_ssize_t i = 0; i < m; i++) {
      Py_INCREF(sense);
      PyList_SET_ITEM(repeated.get(), i, sense);
    }
    if (!(arr = Ref(np_array(repeated.get())))) return nullptr;
    nd = ndim_of(arr.get());
  }
  if (nd > 1) return raise_value("sense should be a scalar or 1-D array");
  const Py_ssize_t n = PyObject_Size(arr.get());
  if (n < 0) return nullptr;
  if (nd == 1 && n != m)
    return raise_value("length of sense should be equal to first dimension of A");
  for (Py_ssize_t i = 0; i < n; i++) {
    Ref s(PySequence_GetItem(arr.get(), i));
    if (!s) return nullptr;
    bool valid = false;
    for (const char *letter : {"<", ">", "="}) {
      Ref l(PyUnicode_FromString(letter));
      if (!l) return nullptr;
      const int eq = PyObject_RichCompareBool(s.get(), l.get(), Py_EQ);
      if (eq < 0) return nullptr;
      valid = valid || eq;
    }
    if (!valid) {
      Ref text(PyUnicode_FromFormat("Invalid sense `%S`", sense));
      return text ? raise_text(PyUnicode_AsUTF8(text.get())) : nullptr;
    }
  }
  return arr.release();
}

// One row: e <= b_i, e >= b_i, or the range e == [b_i, b_i].
PyObject *row_constraint(PyObject *e, PyObject *sense, PyObject *b) {
  Ref lt(PyUnicode_FromString("<")), gt(PyUnicode_FromString(">"));
  if (!lt || !gt) return nullptr;
  const int is_lt = PyObject_RichCompareBool(sense, lt.get(), Py_EQ);
  if (is_lt < 0) return nullptr;
  if (is_lt) return PyObject_RichCompare(e, b, Py_LE);
  const int is_gt = PyObject_RichCompareBool(sense, gt.get(), Py_EQ);
  if (is_gt < 0) return nullptr;
  if (is_gt) return PyObject_RichCompare(e, b, Py_GE);
  Ref range(PyList_New(2));
  if (!range) return nullptr;
  for (Py_ssize_t k = 0; k < 2; k++) {
    Py_INCREF(b);
    PyList_SET_ITEM(range.get(), k, b);
  }
  return PyObject_RichCompare(e, range.get(), Py_EQ);
}

// A as a matrix: a sparse matrix, or an array (converted) of two dimensions.
// New reference or nullptr.
PyObject *coefficient_matrix(PyObject *arg) {
  Ref A = Ref::borrow(arg);
  const int sparse = is_sparse(A.get());
  if (sparse < 0) return nullptr;
  if (!PyArray_Check(A.get()) && !sparse && !(A = Ref(np_array(A.get())))) return nullptr;
  // A sparse matrix has only its own ndim.
  const Py_ssize_t ndim = sparse ? ssize_attr(A.get(), "ndim") : ndim_of(A.get());
  if (ndim < 0) return nullptr;
  if (ndim != 2) return raise_type("argument A shoud be a matrix");
  return A.release();
}

// x as an MVar of one dimension; None for the model's variables. New
// reference or nullptr.
PyObject *variable_vector(PyObject *self, PyObject *arg) {
  Ref x = Ref::borrow(arg);
  if (x.get() == Py_None && !(x = Ref(PyObject_CallMethod(self, "getVars", nullptr))))
    return nullptr;
  if (!mvar_check(x.get())) {
    Ref arr(np_array(x.get()));
    if (!arr || !(x = Ref(MVar_ops.new_(arr.get())))) return nullptr;
  }
  Ref xshape(PyObject_GetAttrString(x.get(), "shape"));
  if (!xshape) return nullptr;
  const Py_ssize_t xnd = PyObject_Size(xshape.get());
  if (xnd < 0) return nullptr;
  if (xnd != 1) return raise_type("argument x shoud be a 1-D array or a matrix");
  return x.release();
}

// b as an array (converted) of one dimension and m entries. New reference or
// nullptr.
PyObject *right_hand_sides(PyObject *arg, Py_ssize_t m) {
  Ref b = Ref::borrow(arg);
  if (!PyArray_Check(b.get()) && !(b = Ref(np_array(b.get())))) return nullptr;
  if (ndim_of(b.get()) != 1) return raise_type("argument b shoud be a 1-D array");
  if (PyArray_DIM(reinterpret_cast<PyArrayObject *>(b.get()), 0) != m)
    return raise_value("length of b should be equal to first dimension of A");
  return b.release();
}

// Adds row i of exprs with sense[i] and b[i], named name[i] ("" when name is
// None), through addConstr. New reference to its handle, or nullptr.
PyObject *add_row(PyObject *self, PyObject *exprs, Py_ssize_t i, PyObject *sense, PyObject *b,
                  PyObject *name) {
  Ref sname;
  if (name == Py_None) {
    sname = Ref(PyUnicode_FromString(""));
  } else {
    Ref suffix(PyUnicode_FromFormat("[%zd]", i));
    if (suffix) sname = Ref(PyNumber_Add(name, suffix.get()));
  }
  if (!sname) return nullptr;
  Ref row(PySequence_GetItem(exprs, i));
  if (!row) return nullptr;
  Ref e(PyObject_CallMethod(row.get(), "item", nullptr));
  if (!e) return nullptr;
  Ref s(PySequence_GetItem(sense, i)), bi(s ? PySequence_GetItem(b, i) : nullptr);
  if (!bi) return nullptr;
  Ref tc(row_constraint(e.get(), s.get(), bi.get()));
  if (!tc) return nullptr;
  Ref add(PyObject_GetAttrString(self, "addConstr"));
  if (!add) return nullptr;
  return PyObject_CallFunctionObjArgs(add.get(), tc.get(), sname.get(), nullptr);
}

// Checks in the order fixed for it; the model is unchanged until the rows
// are added, one addConstr call each (looked up on the model, so a
// subclass's runs), and the rows before a failing one stay.
PyObject *model_addMConstr_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0], *name = args[5];
  if (!edit_allowed(model_live_or_null(self))) return nullptr;
  Ref A(coefficient_matrix(args[1]));
  if (!A) return nullptr;
  Ref x(variable_vector(self, args[2]));
  if (!x) return nullptr;
  const Py_ssize_t n = shape_entry(x.get(), 0);
  const Py_ssize_t m = n < 0 ? -1 : shape_entry(A.get(), 0);
  const Py_ssize_t k = m < 0 ? -1 : shape_entry(A.get(), 1);
  if (k < 0) return nullptr;
  if (n != k) return raise_value("first dimension of x should be equal to second dimension of A");
  Ref column(PyObject_CallMethod(x.get(), "reshape", "nn", n, Py_ssize_t{1}));
  if (!column) return nullptr;
  Ref sense(senses(args[3], m));
  if (!sense) return nullptr;
  Ref b(right_hand_sides(args[4], m));
  if (!b) return nullptr;

  Ref exprs(PyNumber_MatrixMultiply(A.get(), column.get()));
  if (!exprs) return nullptr;
  const Py_ssize_t rows = shape_entry(exprs.get(), 0);
  if (rows < 0) return nullptr;
  Ref constrs(PyList_New(0));
  if (!constrs) return nullptr;
  for (Py_ssize_t i = 0; i < rows; i++) {
    Ref c(add_row(self, exprs.get(), i, sense.get(), b.get(), name));
    if (!c || PyList_Append(constrs.get(), c.get()) < 0) return nullptr;
  }
  npy_intp dims[1] = {PyList_GET_SIZE(constrs.get())};
  return constr_array(constrs.get(), 1, dims);
}

const char addMConstr_doc[] = R"doc(
        SIGNATURE:
            addMConstr(A, x, sense, b, name='')

        PURPOSE:
            Add a set of constraints in form Ax <= B. Return a MConstr object.

        ARGUMENTS:
            A
            -
            The coefficient matrix: a two-dimensional array or numpy.ndarray.

            x
            -
            The variable vector: a one-dimensional array or numpy.ndarray; all variables
            of the model when it is None.

            sense
            -----
            A character, or a one-dimensional array or numpy.ndarray of characters:
            TVX.LESS_EQUAL('<'), TVX.GREATER_EQUAL('>') or TVX.EQUAL('=').

            b
            -
            The right-hand values: a one-dimensional array or numpy.ndarray.

            name=''
            -------
            The name of the constraints, to which a subscript is appended unless it is
            None.

        )doc";

}  // namespace

const FuncSpec Model_addMConstr_spec =
    DZ_METHOD(Model, addMConstr, addMConstr_args, model_addMConstr_impl, addMConstr_doc)
        .with_defaults("('',)");
const FuncSpec Model_addMVar_spec =
    DZ_METHOD(Model, addMVar, addMVar_args, model_addMVar_impl, addMVar_doc)
        .with_defaults_hook(block_var_defaults);

}  // namespace dz
