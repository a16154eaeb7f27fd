// Reading the stored constraint matrix back and changing single entries:
// Model.getRow, getCol, getA, getCoeff and chgCoeff. Nothing is kept between
// calls; every result's handles are the model's own cached ones.
#include "expr/expr_util.h"
#include "expr/linexpr.h"
#include "model/column.h"
#include "model/handles.h"
#include "model/model.h"
#include "runtime/args.h"
#include "runtime/globals.h"
#include "module/tarvex_error.h"
#include "runtime/numpy_api.h"

namespace dz {

int element_index(PyObject *obj, TVXmodel *mdl, int *index) {
  if (handle_attr_kind(obj)) {
    if (!handle_of_model(obj, mdl)) return -1;
    *index = handle_index(obj);
    return 0;
  }
  Ref v(PyObject_GetAttrString(obj, "index"));
  if (!v) return -1;
  return as_int32(v.get(), index) ? 0 : -1;
}

PyObject *list_snapshot(PyObject *list) {
  if (!PyList_Check(list)) return raise_code(TVX_ERROR_INVALID_ARGUMENT);
  return PyList_GetSlice(list, 0, PY_SSIZE_T_MAX);
}

// The library's index selects a cached handle: checked, never trusted.
PyObject *handle_at(PyObject *handles, int k, int code) {
  if (k < 0 || k >= PyList_GET_SIZE(handles)) {
    raise_code(code);
    return nullptr;
  }
  return PyList_GET_ITEM(handles, k);
}

bool ElementRead::open(PyObject *const *args, PyTypeObject *type, const char *argname,
                       PyObject *ModelObject::*list) {
  if (type && !check_arg_type(args[1], type, argname, false)) return false;
  mdl = model_live_handle(args[0]);
  if (!mdl || element_index(args[1], mdl, &index) < 0) return false;
  handles.reset(list_snapshot(as_model(args[0])->*list));
  return bool(handles);
}

namespace {

using ReadFn = int (*)(TVXmodel *, int *, int *, int *, double *, int, int);

// One row (or column) of the library as parallel arrays.
struct Line {
  int nnz = 0;
  Buffer<int> ind;
  Buffer<double> val;
  bool read(ReadFn fn, TVXmodel *mdl, int index) {
    int rc = fn(mdl, &nnz, nullptr, nullptr, nullptr, index, 1);
    if (rc != TVX_ERROR_OKAY) return raise_code(rc), false;
    if (!ind.allocate(nnz) || !val.allocate(nnz)) return false;
    int beg = 0;
    rc = fn(mdl, &nnz, &beg, ind.get(), val.get(), index, 1);
    if (rc != TVX_ERROR_OKAY) return raise_code(rc), false;
    return true;
  }
};

const char *const getRow_args[] = {"self", "constr"};
const char *const getCol_args[] = {"self", "var"};
const char *const getA_args[] = {"self"};
const char *const getCoeff_args[] = {"self", "constr", "var"};
const char *const chgCoeff_args[] = {"self", "constr", "var", "newvalue"};

PyObject *model_getRow_impl(PyObject *, PyObject *const *args) {
  ElementRead e;
  if (!e.open(args, nullptr, nullptr, &ModelObject::varlist_)) return nullptr;
  Line line;
  if (!line.read(TVXgetconstrs, e.mdl, e.index)) return nullptr;
  // Every stored coefficient is a term, 0.0 included, as getCol and getA
  // give it: the blocks are filled directly, past addTerms' skip of zeros.
  ListBlock *coeffs = List_NewBlock();
  if (!coeffs) return nullptr;
  ListBlock *terms = List_NewBlock();
  if (!terms) {
    List_DecRef(coeffs);
    return nullptr;
  }
  for (int k = 0; k < line.nnz; k++) {
    PyObject *var = handle_at(e.handles.get(), line.ind[k], TVX_ERROR_MODEL_INVALID_COL_IDX);
    Ref c(var ? PyFloat_FromDouble(line.val[k]) : nullptr);
    if (!c || List_Append(coeffs, c.get()) < 0 || List_Append(terms, var) < 0) {
      List_DecRef(coeffs);
      List_DecRef(terms);
      return nullptr;
    }
  }
  return linexpr_from_blocks(coeffs, terms, line.nnz, 0.0);
}

PyObject *model_getCol_impl(PyObject *, PyObject *const *args) {
  ElementRead e;
  if (!e.open(args, &Var_Type, "var", &ModelObject::constrlist_)) return nullptr;
  Line line;
  if (!line.read(TVXgetvars, e.mdl, e.index)) return nullptr;
  Ref col(column_new());
  if (!col) return nullptr;
  for (int k = 0; k < line.nnz; k++) {
    PyObject *constr = handle_at(e.handles.get(), line.ind[k], TVX_ERROR_MODEL_INVALID_ROW_IDX);
    if (!constr) return nullptr;
    Ref c(PyFloat_FromDouble(line.val[k]));
    if (!c || column_add_term(col.get(), c.get(), constr) < 0) return nullptr;
  }
  return col.release();
}

PyObject *count_attr(PyObject *model, const char *name, int *out) {
  Ref v(PyObject_GetAttrString(model, name));
  if (!v || !as_int32(v.get(), out)) return nullptr;
  return Py_None;
}

PyObject *model_getA_impl(PyObject *, PyObject *const *args) {
  PyObject *self = args[0];
  int numrows = 0, numcols = 0;
  if (!count_attr(self, "NumConstrs", &numrows) || !count_attr(self, "NumVars", &numcols))
    return nullptr;
  Ref csr_matrix(sp_attr("csr_matrix"));
  if (!csr_matrix) return nullptr;
  npy_intp rows_dim = npy_intp{numrows} + 1;
  Ref indptr(PyArray_ZEROS(1, &rows_dim, NPY_INT32, 0));
  if (!indptr) return nullptr;
  TVXmodel *mdl = model_live_handle(self);
  if (!mdl) return nullptr;
  int numnz = 0;
  int rc = TVXgetconstrs(mdl, &numnz, nullptr, nullptr, nullptr, 0, numrows);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  npy_intp nz_dim = numnz;
  Ref indices(PyArray_ZEROS(1, &nz_dim, NPY_INT32, 0));
  Ref data(PyArray_ZEROS(1, &nz_dim, NPY_FLOAT64, 0));
  if (!indices || !data) return nullptr;
  auto arr = [](const Ref &r) { return reinterpret_cast<PyArrayObject *>(r.get()); };
  int *ptr = static_cast<int *>(PyArray_DATA(arr(indptr)));
  const int asked = numnz;
  rc = TVXgetconstrs(mdl, &numnz, ptr, static_cast<int *>(PyArray_DATA(arr(indices))),
                     static_cast<double *>(PyArray_DATA(arr(data))), 0, numrows);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  // A library answering with more entries than it announced wrote past the arrays.
  if (numnz != asked) return raise_code(TVX_ERROR_ERROR);
  ptr[numrows] = numnz;
  Ref arrays(PyTuple_Pack(3, data.get(), indices.get(), indptr.get()));
  Ref shape(Py_BuildValue("(ii)", numrows, numcols));
  if (!arrays || !shape) return nullptr;
  return PyObject_CallFunctionObjArgs(csr_matrix.get(), arrays.get(), shape.get(), nullptr);
}

// constr before var, as the argument tests run; edit: the handle of a change.
bool coeff_indices(PyObject *self, PyObject *constr, PyObject *var, bool edit, TVXmodel **mdl,
                   int *cind, int *vind) {
  if (!check_arg_type(constr, &Constr_Type, "constr", false) ||
      !check_arg_type(var, &Var_Type, "var", false))
    return false;
  *mdl = edit ? model_edit_handle(self) : model_live_handle(self);
  return *mdl && element_index(constr, *mdl, cind) == 0 && element_index(var, *mdl, vind) == 0;
}

PyObject *model_getCoeff_impl(PyObject *, PyObject *const *args) {
  TVXmodel *mdl = nullptr;
  int cind = 0, vind = 0;
  if (!coeff_indices(args[0], args[1], args[2], false, &mdl, &cind, &vind)) return nullptr;
  double coeff = 0;
  const int rc = TVXgetcoeff(mdl, cind, vind, &coeff);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  return PyFloat_FromDouble(coeff);
}

PyObject *model_chgCoeff_impl(PyObject *, PyObject *const *args) {
  double val = 0;
  if (!as_double(args[3], &val)) return nullptr;
  TVXmodel *mdl = nullptr;
  int cind = 0, vind = 0;
  if (!coeff_indices(args[0], args[1], args[2], true, &mdl, &cind, &vind)) return nullptr;
  const int rc = TVXchgcoeffs(mdl, 1, &cind, &vind, &val);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  Py_RETURN_NONE;
}

const char getRow_doc[] = R"doc(
        SIGNATURE:
            getRow(constr)

        PURPOSE:
            Get the linear expression of a constraint row.

        ARGUMENTS:
            constr
            ------
            A Constr of the model.

        EXAMPLE:
            expr = m.getRow(c0)

        )doc";
const char getCol_doc[] = R"doc(
        SIGNATURE:
            getCol(var)

        PURPOSE:
            Get the column of a variable: its coefficients in every row.

        ARGUMENTS:
            var
            ---
            A Var of the model.

        EXAMPLE:
            col = m.getCol(x)

        )doc";
const char getA_doc[] = R"doc(
        SIGNATURE:
            getA()

        PURPOSE:
            Get the constraint matrix as a scipy csr_matrix.

        ARGUMENTS:
            None.

        EXAMPLE:
            A = m.getA()

        )doc";
const char getCoeff_doc[] = R"doc(
        SIGNATURE:
            getCoeff(constr, var)

        PURPOSE:
            Get the coefficient of a variable in a constraint row.

        ARGUMENTS:
            constr
            ------
            A Constr of the model.

            var
            ---
            A Var of the model.

        EXAMPLE:
            a = m.getCoeff(c0, x)

        )doc";
const char chgCoeff_doc[] = R"doc(
        SIGNATURE:
            chgCoeff(constr, var, newvalue)

        PURPOSE:
            Change the coefficient of a variable in a constraint row.

        ARGUMENTS:
            constr
            ------
            A Constr of the model.

            var
            ---
            A Var of the model.

            newvalue
            --------
            The new coefficient, a number.

        EXAMPLE:
            m.chgCoeff(c0, x, 2.5)

        )doc";

}  // namespace

const FuncSpec Model_getRow_spec =
    DZ_METHOD(Model, getRow, getRow_args, model_getRow_impl, getRow_doc);
const FuncSpec Model_getCol_spec =
    DZ_METHOD(Model, getCol, getCol_args, model_getCol_impl, getCol_doc);
const FuncSpec Model_getA_spec = DZ_METHOD(Model, getA, getA_args, model_getA_impl, getA_doc);
const FuncSpec Model_getCoeff_spec =
    DZ_METHOD(Model, getCoeff, getCoeff_args, model_getCoeff_impl, getCoeff_doc);
const FuncSpec Model_chgCoeff_spec =
    DZ_METHOD(Model, chgCoeff, chgCoeff_args, model_chgCoeff_impl, chgCoeff_doc);

}  // namespace dz
