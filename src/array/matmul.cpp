// Matrix products of the array classes: the dispatchers behind `@`, the
// dense product (a fast path building each cell's term lists directly for
// numbers with Vars and Vars with Vars, numpy's product of object arrays
// otherwise) and the sparse product, which walks a scipy matrix by
// compressed columns (array @ sparse) or rows (sparse @ array).
//
// Every operand is read from a private copy: C-ordered, aligned, held only
// here. Whatever layout the caller's array has (transposed, reversed,
// strided) numpy resolves in the copy, and Python code run meanwhile (a
// finaliser during an allocation, a coefficient's own arithmetic) cannot
// change or free what is being read.
#include <cstdint>
#include <utility>
#include <vector>

#include "array/array_kernels.h"
#include "array/array_object.h"
#include "expr/dispatch.h"
#include "expr/expr_util.h"
#include "expr/quadexpr.h"
#include "model/handles.h"
#include "runtime/args.h"
#include "runtime/arraylike.h"
#include "runtime/globals.h"
#include "runtime/sizes.h"

namespace dz {

namespace {

inline PyArrayObject *as_arr(PyObject *o) { return reinterpret_cast<PyArrayObject *>(o); }

PyObject *shape_of(PyArrayObject *a) {
  return PyArray_IntTupleFromIntp(PyArray_NDIM(a), PyArray_DIMS(a));
}

// ValueError "matmul: {} @ {} operation not support" with the two shapes.
PyObject *raise_mismatch(PyObject *left_shape, PyObject *right_shape) {
  if (!left_shape || !right_shape) return nullptr;
  return PyErr_Format(PyExc_ValueError, "matmul: %S @ %S operation not support", left_shape,
                      right_shape);
}

PyObject *raise_mismatch(PyArrayObject *a, PyArrayObject *b) {
  Ref sa(shape_of(a)), sb(shape_of(b));
  return raise_mismatch(sa.get(), sb.get());
}

// An object array of the given dimensions, its cells None. New reference.
PyObject *object_array(int nd, npy_intp *dims) {
  return PyArray_Empty(nd, dims, PyArray_DescrFromType(NPY_OBJECT), 0);
}

PyObject **cells_of(PyObject *arr) { return static_cast<PyObject **>(PyArray_DATA(as_arr(arr))); }

PyObject *np_matmul(PyObject *a, PyObject *b) {
  Ref fn(np_attr("matmul"));
  if (!fn) return nullptr;
  // Cells that are arrays multiply through this module again.
  if (Py_EnterRecursiveCall(" in a matrix product")) return nullptr;
  PyObject *r = PyObject_CallFunctionObjArgs(fn.get(), a, b, nullptr);
  Py_LeaveRecursiveCall();
  return r;
}

// ---- Dense products --------------------------------------------------------------

// One operand of the fast path as a matrix: a 1-D operand is one row on the
// left and one column on the right.
struct Dense {
  Ref arr;  // private, C-ordered
  npy_intp rows = 0, cols = 0;

  void shape_as(bool left) {
    PyArrayObject *a = as_arr(arr.get());
    if (PyArray_NDIM(a) == 2) {
      rows = PyArray_DIM(a, 0);
      cols = PyArray_DIM(a, 1);
    } else if (left) {
      rows = 1;
      cols = PyArray_DIM(a, 0);
    } else {
      rows = PyArray_DIM(a, 0);
      cols = 1;
    }
  }
  double number(npy_intp r, npy_intp c) const {
    return static_cast<const double *>(PyArray_DATA(as_arr(arr.get())))[r * cols + c];
  }
  PyObject *cell(npy_intp r, npy_intp c) const { return cells_of(arr.get())[r * cols + c]; }
};

// The element operand of the fast path: object cells, each a Var. A numeric
// array (an MVar over numbers) is refused before any of it is read as
// object references.
bool var_cells(PyObject *operand, Dense &out) {
  PyArrayObject *a = as_arr(operand);
  if (PyArray_TYPE(a) != NPY_OBJECT) {
    PyErr_Format(PyExc_TypeError, "Cannot convert %.200s to %.200s",
                 PyArray_DESCR(a)->typeobj->tp_name, Var_Type.tp_name);
    return false;
  }
  out.arr = Ref(np_private_copy(operand, nullptr));
  if (!out.arr) return false;
  PyObject **cells = cells_of(out.arr.get());
  for (npy_intp i = 0, n = PyArray_SIZE(as_arr(out.arr.get())); i < n; i++) {
    PyObject *cell = cells[i] ? cells[i] : Py_None;
    if (!handle_check(cell, &Var_Type)) {
      raise_cannot_convert(cell, &Var_Type);
      return false;
    }
  }
  return true;
}

// Numbers as float64, as numpy's astype converts them.
bool number_cells(PyObject *operand, Dense &out) {
  out.arr = Ref(np_private_copy(operand, PyArray_DescrFromType(NPY_FLOAT64)));
  return static_cast<bool>(out.arr);
}

enum class Kernel { NV, VN, VV };

// Cell (i, j): the inner product of row i of a and column j of b, one term
// per inner position, zeros kept. A LinExpr with float coefficients for a
// number operand; a QuadExpr whose coefficients are the int 1 for two Var
// operands, the left operand's variable first.
PyObject *inner(Kernel kernel, const Dense &a, const Dense &b, npy_intp i, npy_intp j, int k,
                PyObject *one) {
  BlockRef coeffs(List_NewBlock()), first(List_NewBlock());
  if (!coeffs || !first) return nullptr;
  BlockRef second;
  if (kernel == Kernel::VV) {
    second.reset(List_NewBlock());
    if (!second) return nullptr;
  }
  for (int t = 0; t < k; t++) {
    switch (kernel) {
      case Kernel::NV: {
        Ref c(PyFloat_FromDouble(a.number(i, t)));
        if (!c || List_Append(coeffs.get(), c.get()) < 0 ||
            List_Append(first.get(), b.cell(t, j)) < 0)
          return nullptr;
        break;
      }
      case Kernel::VN: {
        Ref c(PyFloat_FromDouble(b.number(t, j)));
        if (!c || List_Append(coeffs.get(), c.get()) < 0 ||
            List_Append(first.get(), a.cell(i, t)) < 0)
          return nullptr;
        break;
      }
      case Kernel::VV:
        if (List_Append(coeffs.get(), one) < 0 || List_Append(first.get(), a.cell(i, t)) < 0 ||
            List_Append(second.get(), b.cell(t, j)) < 0)
          return nullptr;
        break;
    }
  }
  if (kernel != Kernel::VV) return linexpr_from_blocks(coeffs.release(), first.release(), k, 0.0);
  BlockRef lin_coeffs(List_NewBlock()), lin_vars(List_NewBlock());
  if (!lin_coeffs || !lin_vars) return nullptr;
  return quadexpr_from_blocks(coeffs.release(), first.release(), second.release(), k,
                              lin_coeffs.release(), lin_vars.release(), 0, 0.0);
}

// _dmatmul(a, b, ka, kb). Only "nv", "vn" and "vv" take the fast path;
// every other pair is numpy's product of the operands as given.
PyObject *dmatmul(PyObject *a_in, PyObject *b_in, char ka, char kb) {
  Kernel kernel;
  if (ka == 'n' && kb == 'v')
    kernel = Kernel::NV;
  else if (ka == 'v' && kb == 'n')
    kernel = Kernel::VN;
  else if (ka == 'v' && kb == 'v')
    kernel = Kernel::VV;
  else
    return np_matmul(a_in, b_in);

  Ref a(reinterpret_cast<PyObject *>(np_asarray(a_in)));
  if (!a) return nullptr;
  Ref b(reinterpret_cast<PyObject *>(np_asarray(b_in)));
  if (!b) return nullptr;
  if (PyArray_SIZE(as_arr(a.get())) == 0 || PyArray_SIZE(as_arr(b.get())) == 0) {
    PyErr_SetString(PyExc_ValueError, "matmul operand is empty");
    return nullptr;
  }
  Dense da, db;
  if (!(ka == 'n' ? number_cells(a.get(), da) : var_cells(a.get(), da))) return nullptr;
  if (!(kb == 'n' ? number_cells(b.get(), db) : var_cells(b.get(), db))) return nullptr;
  PyArrayObject *pa = as_arr(da.arr.get()), *pb = as_arr(db.arr.get());
  const int nda = PyArray_NDIM(pa), ndb = PyArray_NDIM(pb);
  if (nda < 1 || nda > 2 || ndb < 1 || ndb > 2) return np_matmul(da.arr.get(), db.arr.get());
  da.shape_as(true);
  db.shape_as(false);
  if (da.cols != db.rows) return raise_mismatch(pa, pb);
  int k = 0;
  if (!int_size(da.cols, &k)) return nullptr;
  Ref one(PyLong_FromLong(1));
  if (!one) return nullptr;
  if (nda == 1 && ndb == 1) return inner(kernel, da, db, 0, 0, k, one.get());
  npy_intp dims[2] = {da.rows, db.cols};
  int nd = 2;
  if (nda == 1) {
    dims[0] = db.cols;
    nd = 1;
  } else if (ndb == 1) {
    nd = 1;
  }
  Ref out(object_array(nd, dims));
  if (!out) return nullptr;
  PyObject **slots = cells_of(out.get());
  for (npy_intp i = 0; i < da.rows; i++) {
    for (npy_intp j = 0; j < db.cols; j++) {
      PyObject *cell = inner(kernel, da, db, i, j, k, one.get());
      if (!cell) return nullptr;
      Py_XSETREF(slots[i * db.cols + j], cell);
    }
  }
  return out.release();
}

// ---- Sparse products -------------------------------------------------------------

// A sparse matrix in compressed columns (for array @ matrix) or rows
// (matrix @ array), made here from read_sparse's checked entries: scipy's
// own conversions trust index arrays that Python code may have changed.
// Within a column (row) the entries keep their storage order.
struct Compressed {
  int rows = 0, cols = 0;
  std::vector<std::size_t> ptr;
  std::vector<int> idx;
  std::vector<double> val;
};

bool read_compressed(PyObject *matrix, bool by_column, Compressed &out) {
  SparseEntries e;
  if (read_sparse(matrix, e, Repeats::keep) < 0) return false;
  out.rows = e.rows;
  out.cols = e.cols;
  try {
    const std::vector<int> &major = by_column ? e.col : e.row, &minor = by_column ? e.row : e.col;
    out.ptr.assign(to_size(by_column ? e.cols : e.rows) + 1, 0);
    for (int m : major) out.ptr[to_size(m) + 1]++;
    for (std::size_t m = 1; m < out.ptr.size(); m++) out.ptr[m] += out.ptr[m - 1];
    std::vector<std::size_t> next(out.ptr.begin(), out.ptr.end() - 1);
    out.idx.resize(e.val.size());
    out.val.resize(e.val.size());
    for (std::size_t k = 0; k < e.val.size(); k++) {
      const std::size_t at = next[to_size(major[k])]++;
      out.idx[at] = minor[k];
      out.val[at] = e.val[k];
    }
  } catch (const std::bad_alloc &) {
    PyErr_NoMemory();
    return false;
  }
  return true;
}

enum class Element { Var, Lin, Quad };

// The kernel is chosen by the first element; None is refused anywhere,
// before the walk, so no cell can take it for a variable or an expression.
bool element_kind(PyObject *elements, Element &kind) {
  PyObject **cells = cells_of(elements);
  const npy_intp n = PyArray_SIZE(as_arr(elements));
  PyObject *first = cells[0] ? cells[0] : Py_None;
  if (handle_check(first, &Var_Type))
    kind = Element::Var;
  else if (linexpr_check(first))
    kind = Element::Lin;
  else if (quadexpr_check(first))
    kind = Element::Quad;
  else
    return raise_cannot_convert(first, &Var_Type), false;
  for (npy_intp i = 0; i < n; i++)
    if (!cells[i] || cells[i] == Py_None) return raise_cannot_convert(Py_None, &Var_Type), false;
  return true;
}

bool of_kind(PyObject *e, Element kind) {
  switch (kind) {
    case Element::Var:
      return handle_check(e, &Var_Type);
    case Element::Lin:
      return linexpr_check(e);
    default:
      return quadexpr_check(e);
  }
}

PyTypeObject *type_of(Element kind) {
  return kind == Element::Var ? &Var_Type : kind == Element::Lin ? &LinExpr_Type : &QuadExpr_Type;
}

// One cell: the sum over the stored entries ks of data[k] times the element
// at position(k); an entry 0.0 adds nothing, NaN is applied.
template <typename Position>
PyObject *sparse_cell(Element kind, PyObject **elements, const Compressed &s, std::size_t from,
                      std::size_t to, Position position) {
  if (kind == Element::Var) {
    BlockRef coeffs(List_NewBlock()), vars(List_NewBlock());
    if (!coeffs || !vars) return nullptr;
    int n = 0;
    for (std::size_t k = from; k < to; k++) {
      const double v = s.val[k];
      if (v == 0.0) continue;
      PyObject *e = elements[position(k)];
      if (!of_kind(e, kind)) return raise_cannot_convert(e, &Var_Type);
      Ref c(coeff_float(v));
      if (!c || List_Append(coeffs.get(), c.get()) < 0 || List_Append(vars.get(), e) < 0)
        return nullptr;
      n++;
    }
    return linexpr_from_blocks(coeffs.release(), vars.release(), n, 0.0);
  }
  Ref cell(kind == Element::Lin ? linexpr_new() : quadexpr_new());
  if (!cell) return nullptr;
  for (std::size_t k = from; k < to; k++) {
    PyObject *e = elements[position(k)];
    if (!of_kind(e, kind)) return raise_cannot_convert(e, type_of(kind));
    const double v = s.val[k];
    const int added = kind == Element::Lin ? LinExpr_ops.addexpr(cell.get(), e, v)
                                           : QuadExpr_ops.addexpr(cell.get(), e, v);
    if (added < 0) return nullptr;
  }
  return cell.release();
}

// dense (m x K) @ s (K x n, CSC): cell (i, j) walks column j.
PyObject *arr_matmul_csc(PyObject *dense, const Compressed &s, Element kind, int nd) {
  PyArrayObject *a = as_arr(dense);
  const npy_intp m = PyArray_DIM(a, 0), K = PyArray_DIM(a, 1), n = s.cols;
  npy_intp dims[2] = {m, n};
  if (nd == 1) dims[0] = n;
  Ref out(object_array(nd, dims));
  if (!out) return nullptr;
  PyObject **elements = cells_of(dense), **slots = cells_of(out.get());
  for (npy_intp i = 0; i < m; i++) {
    for (npy_intp j = 0; j < n; j++) {
      PyObject *cell = sparse_cell(kind, elements, s, s.ptr[to_size(j)], s.ptr[to_size(j) + 1],
                                   [&](std::size_t k) { return i * K + s.idx[k]; });
      if (!cell) return nullptr;
      Py_XSETREF(slots[i * n + j], cell);
    }
  }
  return out.release();
}

// s (m x K, CSR) @ dense (K x p): cell (i, j) walks row i.
PyObject *csr_matmul_arr(const Compressed &s, PyObject *dense, Element kind, int nd) {
  PyArrayObject *b = as_arr(dense);
  const npy_intp m = s.rows, p = PyArray_DIM(b, 1);
  npy_intp dims[2] = {m, p};
  Ref out(object_array(nd, dims));
  if (!out) return nullptr;
  PyObject **elements = cells_of(dense), **slots = cells_of(out.get());
  for (npy_intp i = 0; i < m; i++) {
    for (npy_intp j = 0; j < p; j++) {
      PyObject *cell = sparse_cell(kind, elements, s, s.ptr[to_size(i)], s.ptr[to_size(i) + 1],
                                   [&](std::size_t k) { return s.idx[k] * p + j; });
      if (!cell) return nullptr;
      Py_XSETREF(slots[i * p + j], cell);
    }
  }
  return out.release();
}

// The element operand as a private 2-D object array: a 1-D one as one row
// (left of the matrix) or one column (right of it).
PyObject *sparse_elements(PyObject *arr, bool left) {
  Ref copy(np_object_copy(arr));
  if (!copy) return nullptr;
  PyArrayObject *c = as_arr(copy.get());
  if (PyArray_NDIM(c) != 1) return copy.release();
  npy_intp dims[2] = {1, PyArray_DIM(c, 0)};
  if (!left) std::swap(dims[0], dims[1]);
  PyArray_Dims shape = {dims, 2};
  return PyArray_Newshape(c, &shape, NPY_CORDER);
}

// _smatmul(left, right): one operand an ndarray of elements, the other a
// scipy sparse matrix or array.
PyObject *smatmul(PyObject *left, PyObject *right) {
  const bool elements_left = PyArray_Check(left);
  int sparse = elements_left ? is_sparse(right) : PyArray_Check(right) ? is_sparse(left) : 0;
  if (sparse < 0) return nullptr;
  if (!sparse) {
    Ref ln(type_name(left)), rn(type_name(right));
    if (!ln || !rn) return nullptr;
    return PyErr_Format(PyExc_TypeError, "matmul: `%S` @ `%S` operation not support", ln.get(),
                        rn.get());
  }
  PyObject *dense_in = elements_left ? left : right, *matrix = elements_left ? right : left;
  const int nd = PyArray_NDIM(as_arr(dense_in)) == 1 ? 1 : 2;
  Ref dense(sparse_elements(dense_in, elements_left));
  if (!dense) return nullptr;
  PyArrayObject *d = as_arr(dense.get());
  Compressed s;
  if (!read_compressed(matrix, elements_left, s)) return nullptr;
  const bool fits = PyArray_NDIM(d) == 2 &&
                    (elements_left ? PyArray_DIM(d, 1) == s.rows : PyArray_DIM(d, 0) == s.cols);
  if (!fits) {
    Ref ds(shape_of(d)), ms(Py_BuildValue("(ii)", s.rows, s.cols));
    return elements_left ? raise_mismatch(ds.get(), ms.get()) : raise_mismatch(ms.get(), ds.get());
  }
  if (PyArray_SIZE(d) == 0) {
    PyErr_SetString(PyExc_ValueError, "ndarray is empty");
    return nullptr;
  }
  Element kind;
  if (!element_kind(dense.get(), kind)) return nullptr;
  return elements_left ? arr_matmul_csc(dense.get(), s, kind, nd)
                       : csr_matmul_arr(s, dense.get(), kind, nd);
}

// ---- Dispatch ----------------------------------------------------------------------

// The product of an array-like (dense or sparse) and an element array, in
// product order, wrapped by new of type.
PyObject *route(PyTypeObject *type, PyObject *left, PyObject *right, char kl, char kr) {
  PyObject *arraylike = kl == 'n' ? left : right;
  const int sparse = is_sparse(arraylike);
  if (sparse < 0) return nullptr;
  Ref r(sparse ? smatmul(left, right) : dmatmul(left, right, kl, kr));
  if (!r) return nullptr;
  return array_wrap(type, r.get());
}

PyObject *wrapped(PyTypeObject *type, PyObject *product) {
  Ref r(product);
  if (!r) return nullptr;
  return array_wrap(type, r.get());
}

PyTypeObject *const ML = &MLinExpr_Type;
PyTypeObject *const MQ = &MQuadExpr_Type;

char letter(OperandKind k) { return k == KIND_MVAR ? 'v' : k == KIND_MLIN ? 'l' : 'q'; }

}  // namespace

PyObject *a_matmul_o(PyObject *a, PyObject *X) {
  const OperandKind k = matmul_kind(X);
  if (k == KIND_ERROR) return nullptr;
  if (k != KIND_MVAR && k != KIND_MLIN && k != KIND_MQUAD)
    return raise_unsupported_operands("@", a, X);
  return route(k == KIND_MQUAD ? MQ : ML, a, array_field(X), 'n', letter(k));
}

namespace {

// An array class on the left of @: self_kind is its kind; accepted lists
// the right-hand kinds it multiplies with (array-likes always).
PyObject *array_matmul(PyObject *m, OperandKind self_kind, PyObject *b, bool with_arrays) {
  const OperandKind k = matmul_kind(b);
  if (k == KIND_ERROR) return nullptr;
  if (k == KIND_ARRAY)
    return route(self_kind == KIND_MQUAD ? MQ : ML, array_field(m), b, letter(self_kind), 'n');
  if (with_arrays && (k == KIND_MVAR || k == KIND_MLIN))
    return wrapped(MQ, dmatmul(array_field(m), array_field(b), letter(self_kind), letter(k)));
  return raise_unsupported_operands("@", m, b);
}

}  // namespace

PyObject *mv_matmul_o(PyObject *m, PyObject *b) { return array_matmul(m, KIND_MVAR, b, true); }
PyObject *ml_matmul_o(PyObject *m, PyObject *b) { return array_matmul(m, KIND_MLIN, b, true); }
PyObject *mq_matmul_o(PyObject *m, PyObject *b) { return array_matmul(m, KIND_MQUAD, b, false); }

}  // namespace dz
