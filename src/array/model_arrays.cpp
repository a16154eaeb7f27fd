// Model's array members: addMVar, and the array form of addConstr, which
// adds one row per cell of an expression array in one library call.
#include "array/model_arrays.h"

#include <string>

#include "array/array_object.h"
#include "module/state.h"
#include "runtime/docs.h"
#include "runtime/numpy_api.h"

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
    out.append(std::to_string(static_cast<long long>(index[d])));
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
      Ref suffix(PyUnicode_FromStringAndSize(text.data(), static_cast<Py_ssize_t>(text.size())));
      if (!suffix) return nullptr;
      row_name = PyUnicode_Concat(name, suffix.get());
      if (!row_name) return nullptr;
    }
    PyList_SET_ITEM(names.get(), k, row_name);
  }
  return names.release();
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
  PyArray_Descr *descr = PyArray_DescrFromType(NPY_OBJECT);
  if (!descr) return nullptr;
  Ref cells(PyArray_FromAny(array_field(rows.get()), descr, 0, 0,
                            NPY_ARRAY_C_CONTIGUOUS | NPY_ARRAY_ENSURECOPY | NPY_ARRAY_FORCECAST,
                            nullptr));
  if (!cells) return nullptr;
  PyArrayObject *c = reinterpret_cast<PyArrayObject *>(cells.get());
  Ref names(row_names(name, c));
  if (!names) return nullptr;
  Ref flat(PyArray_Ravel(c, NPY_CORDER));
  if (!flat) return nullptr;
  Ref handles(Model_ops.addConstrs(self, flat.get(), lhs, rhs, names.get()));
  if (!handles) return nullptr;
  // Built here rather than by numpy.array, which would probe every handle
  // for the array protocols.
  const Py_ssize_t n = PyList_GET_SIZE(handles.get());
  if (n != PyArray_SIZE(c)) {
    PyErr_SetString(PyExc_SystemError, "rows added differ from the cells given");
    return nullptr;
  }
  Ref out(PyArray_Empty(PyArray_NDIM(c), PyArray_DIMS(c), PyArray_DescrFromType(NPY_OBJECT), 0));
  if (!out) return nullptr;
  PyObject **slots =
      static_cast<PyObject **>(PyArray_DATA(reinterpret_cast<PyArrayObject *>(out.get())));
  for (Py_ssize_t k = 0; k < n; k++) {
    PyObject *h = PyList_GET_ITEM(handles.get(), k);
    Py_INCREF(h);
    Py_XSETREF(slots[k], h);
  }
  return MConstr_ops.new_(out.get());
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

const char addMVar_doc[] = DOC_HEAD(
    "addMVar(shape, lb=0.0, ub=float('inf'), obj=0.0, vtype='C', name='')", "Add an MVar")
    DOC_ARG("shape", "-----", "Specifies the shape of the MVar to be added.") DOC_NEXT DOC_ARG(
        "lb=0.0", "------",
        "The lower bound of all variables: a single number, an array or a numpy\n"
        "            array; a numpy array must have the shape of the MVar.")
        DOC_NEXT DOC_ARG("ub=float('inf')", "---------------",
                         "The upper bound of all variables: a single number, an array or a numpy\n"
                         "            array; a numpy array must have the shape of the MVar.")
            DOC_NEXT DOC_ARG(
                "obj=0.0", "-------",
                "The objective coefficients of all variables: a single number, an array or a\n"
                "            numpy array; a numpy array must have the shape of the MVar.")
                DOC_NEXT DOC_ARG(
                    "vtype='C'", "---------",
                    "The type of all variables: a single character, an array or a numpy array.\n"
                    "            * TVX.CONTINUOUS('C') for continuous variable\n"
                    "            * TVX.BINARY('B') for binary variable\n"
                    "            * TVX.INTEGER('I') for integral variable\n"
                    "            * TVX.SEMICONT('S') for semi-continuous variable\n"
                    "            * and TVX.SEMIINT('N') for semi-integral variable")
                    DOC_NEXT DOC_ARG(
                        "name=''", "-------",
                        "The names of all variables: each is the given name followed by its\n"
                        "            subscript, when the name is not None.")
                        DOC_EXAMPLE DOC_LINE("x = m.addMVar((2, 2))")
                            DOC_LINE("y = m.addMVar((2, 2), lb=0)")
                                DOC_LINE("z = m.addMVar((2, 2), lb=[1, 2, 3, 4])") DOC_END;

// TVX.INFINITY and TVX.CONTINUOUS as they are at binding time.
PyObject *addMVar_defaults() {
  PyObject *tvx = module_global("TVX");  // borrowed
  if (!tvx) return nullptr;
  Ref infinity(PyObject_GetAttrString(tvx, "INFINITY"));
  if (!infinity) return nullptr;
  Ref continuous(PyObject_GetAttrString(tvx, "CONTINUOUS"));
  if (!continuous) return nullptr;
  return Py_BuildValue("(dOdOs)", 0.0, infinity.get(), 0.0, continuous.get(), "");
}

}  // namespace

const FuncSpec Model_addMVar_spec =
    DZ_METHOD(Model, addMVar, addMVar_args, model_addMVar_impl, addMVar_doc)
        .with_defaults_hook(addMVar_defaults);

}  // namespace dz
