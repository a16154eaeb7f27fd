// The semidefinite methods of Model: addPsdVar, and semidefinite rows
// (_psdExpr2array, _addPsdConstr), which addConstr and addRange hand a
// PsdExpr to. A new element's handle joins its list only once the library
// has accepted it, so a refusal leaves the model as it was.
#include <new>
#include <vector>

#include "building/new_rows.h"
#include "building/row_sides.h"
#include "model/handles.h"
#include "runtime/globals.h"
#include "module/tarvex_error.h"
#include "psd/psd_arrays.h"
#include "psd/psdexpr.h"
#include "runtime/args.h"
#include "runtime/arraylike.h"
#include "runtime/sizes.h"
#include "runtime/utf8.h"

namespace dz {

namespace {

// Which side of a row: an open lower side is -TVX.INFINITY, an open upper
// one TVX.INFINITY.
enum class Side { lower, upper };

bool row_bound(ModelObject *self, PyObject *side, double constant, Side which, double *out) {
  Ref bound(row_side(self, side, constant));
  if (!bound) return false;
  if (bound.get() == Py_None) {
    Ref inf(tvx_constant("INFINITY"));
    if (!inf) return false;
    bound = which == Side::lower ? Ref(PyNumber_Negative(inf.get())) : std::move(inf);
    if (!bound) return false;
  }
  return float_of(bound.get(), out);
}

// ---- addPsdVar ------------------------------------------------------------------

const char *const addPsdVar_args[] = {"self", "dim", "obj", "name"};

const char obj_type_error[] = "obj should be a numpy 2d-array or scipy sparse matrix";

// The dimension of an objective matrix: two-dimensional and square.
bool objective_dim(PyObject *obj, int *dim) {
  int matrix = is_ndarray(obj);
  if (matrix == 0) matrix = is_sparse(obj);
  if (matrix < 0) return false;
  if (!matrix) {
    PyErr_SetString(PyExc_TypeError, obj_type_error);
    return false;
  }
  Py_ssize_t ndim;
  if (PyArray_Check(obj)) {
    ndim = PyArray_NDIM(reinterpret_cast<PyArrayObject *>(obj));
  } else {  // a sparse matrix, which has only its own ndim
    Ref nd(PyObject_GetAttrString(obj, "ndim"));
    if (!nd) return false;
    ndim = PyNumber_AsSsize_t(nd.get(), PyExc_OverflowError);
    if (ndim == -1 && PyErr_Occurred()) return false;
  }
  if (ndim != 2) {
    PyErr_SetString(PyExc_TypeError, obj_type_error);
    return false;
  }
  Ref shape(PyObject_GetAttrString(obj, "shape"));
  if (!shape) return false;
  Ref rows(PySequence_GetItem(shape.get(), 0));
  if (!rows) return false;
  Ref cols(PySequence_GetItem(shape.get(), 1));
  if (!cols) return false;
  const int differ = PyObject_RichCompareBool(rows.get(), cols.get(), Py_NE);
  if (differ) {
    if (differ > 0) PyErr_SetString(PyExc_ValueError, "obj should be a square matrix");
    return false;
  }
  return as_int32(rows.get(), dim);
}

PyObject *model_addPsdVar_impl(PyObject *, PyObject *const *args) {
  ModelObject *self = as_model(args[0]);
  PyObject *obj = args[2];
  int dim = 0;
  if (!as_int32(args[1], &dim)) return nullptr;
  Ref name(str2chars(args[3]));
  if (!name) return nullptr;
  std::vector<int> pos;
  std::vector<double> val;
  if (obj == Py_None) {
    if (dim < 0) return PyErr_Format(PyExc_ValueError, "dim must be positive, got %d", dim);
    if (dim == 0) {
      PyErr_SetString(PyExc_ValueError, "one of arguments {`dim`, `obj`} should be provided");
      return nullptr;
    }
  } else {
    SparseEntries entries;
    if (!objective_dim(obj, &dim) || coefficient_entries(obj, entries) < 0) return nullptr;
    try {
      if (append_flat(entries, pos, val) < 0) return nullptr;
    } catch (const std::bad_alloc &) {
      return PyErr_NoMemory();
    }
  }
  int nnz = 0;
  if (!int_size(val, &nnz)) return nullptr;
  // Made before the model is taken: an allocation may run Python code.
  Ref handle(PsdVar_ops.new_(nullptr, 0));
  if (!handle) return nullptr;
  TVXmodel *mdl = model_edit_handle(self);
  if (!mdl) return nullptr;
  const int rc = TVXaddpsdvar(mdl, dim, nnz, pos.data(), val.data(), PyBytes_AS_STRING(name.get()));
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  int index = 0;
  if (!int_size(PyList_GET_SIZE(self->psdvarlist_), &index)) return nullptr;
  as_handle(handle.get())->mdl_ = mdl;
  handle_set_index(handle.get(), index);
  if (PyList_Append(self->psdvarlist_, handle.get()) < 0) return nullptr;
  return handle.release();
}

const char addPsdVar_doc[] = R"doc(
        SIGNATURE:
            addPsdVar(dim=0, obj=None, name='')

        PURPOSE:
            Add a PsdVar.

        ARGUMENTS:
            dim=0
            -----
            Matrix dimension of the PsdVar

            obj=None
            --------
            The objective coefficient of the PsdVar, it is a symmetric square matrix.

            name=''
            -------
            The name of the PsdVar.

        EXAMPLE:
            X = m.addPsdVar(dim=3, name='X')
            Y = m.addPsdVar(obj=numpy.identity(2), name='Y')

        NOTE:
            Arguments `dim` and `obj`, you must specify exactly one.

        )doc";

}  // namespace

// ---- Semidefinite rows ------------------------------------------------------------

int model_psdexpr2array(ModelObject *self, PyObject *expr, PsdArrays &out) {
  if (!psdexpr_check(expr)) {
    PyErr_SetString(PyExc_TypeError, "Expect a PsdExpr");
    return -1;
  }
  TVXmodel *mdl = model_live_handle(self);
  if (!mdl) return -1;
  std::vector<PsdGroup> groups;
  if (psd_groups(expr, mdl, groups) < 0) return -1;
  try {
    out = PsdArrays();
    for (const PsdGroup &g : groups) {
      out.vidx.push_back(g.index);
      int begin = 0;
      if (!int_size(out.ind, &begin)) return -1;
      out.beg.push_back(begin);
      if (append_flat(g.entries, out.ind, out.val) < 0) return -1;
    }
  } catch (const std::bad_alloc &) {
    PyErr_NoMemory();
    return -1;
  }
  return 0;
}

// The sides are worked out before the terms are read, as for linear rows:
// nothing may change the row's variables between reading their indices and
// the library call.
PyObject *model_addpsdconstr(ModelObject *self, PyObject *expr, PyObject *lhs, PyObject *rhs,
                             PyObject *name) {
  Ref raw_name(str2chars(name));
  if (!raw_name) return nullptr;
  if (!psdexpr_check(expr)) {
    PyErr_SetString(PyExc_TypeError, "Expect a PsdExpr");
    return nullptr;
  }
  Ref lin = Ref::borrow(as_psdexpr(expr)->lin_);
  const double constant = as_linexpr(lin.get())->constant_;
  double lower = 0, upper = 0;
  if (!row_bound(self, lhs, constant, Side::lower, &lower) ||
      !row_bound(self, rhs, constant, Side::upper, &upper))
    return nullptr;
  NewRows rows;
  if (!rows.make(1)) return nullptr;
  Ref one_row(PyList_New(1));
  if (!one_row) return nullptr;
  PyList_SET_ITEM(one_row.get(), 0, lin.newref());
  // The PSD terms first: converting their matrices may run Python code,
  // while the linear terms' indices are read last (PSD variables are never
  // removed, so the PSD indices stay).
  PsdArrays psd;
  if (Model_ops.psdExpr2array(self, expr, psd) < 0) return nullptr;
  RowArrays linear;
  if (Model_ops.linExprs2array(self, one_row.get(), false, linear) < 0) return nullptr;
  int psdvars = 0, psdnnz = 0;
  if (!int_size(psd.vidx, &psdvars) || !int_size(psd.ind, &psdnnz)) return nullptr;
  TVXmodel *mdl = model_edit_handle(self);
  if (!mdl) return nullptr;
  const int rc =
      TVXaddrangepsdconstr(mdl, linear.nnz, psdvars, psdnnz, linear.ind.get(), linear.val.get(),
                           psd.vidx.data(), psd.beg.data(), psd.ind.data(), psd.val.data(), lower,
                           upper, PyBytes_AS_STRING(raw_name.get()));
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  if (rows.append(self, mdl) < 0) return nullptr;
  return new_ref(PyList_GET_ITEM(rows.psdconstrs.get(), 0));
}

const FuncSpec Model_addPsdVar_spec =
    DZ_METHOD(Model, addPsdVar, addPsdVar_args, model_addPsdVar_impl, addPsdVar_doc)
        .with_defaults("(0, None, '')");

}  // namespace dz
