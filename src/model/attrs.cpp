// The attribute engine, shared half and reading: name resolution, attribute
// information, the kind check, element indices and the five typed readers.
#include "model/attrs.h"

#include <climits>
#include <cstring>
#include <vector>

#include "model/handles.h"
#include "runtime/args.h"
#include "runtime/sizes.h"
#include "module/tarvex_error.h"
#include "runtime/numpy_api.h"
#include "module/numpy_helpers.h"
#include "module/state.h"
#include "runtime/globals.h"
#include "runtime/utf8.h"

namespace dz {

namespace attr {

namespace {

// Object kind letters by the library's code.
const char *const kind_letters[] = {"m", "v", "lin", "sos", "qc", "gen", "psdv", "psdc"};
constexpr int kNumKinds = sizeof(kind_letters) / sizeof(kind_letters[0]);

// The canonical name of the table row that name's key selects: a new
// reference, nullptr with no exception for an unknown key, nullptr with an
// exception when name fails on its own methods (None has no replace()).
PyObject *norm_attr_name(PyObject *name) {
  Ref replaced(PyObject_CallMethod(name, "replace", "ss", "/", "_"));
  if (!replaced) return nullptr;
  Ref key(PyObject_CallMethod(replaced.get(), "lower", nullptr));
  if (!key) return nullptr;
  PyObject *attrs = state().attrs;  // borrowed
  if (!attrs || !PyDict_Check(attrs)) {
    PyErr_SetString(PyExc_SystemError, "attribute table missing");
    return nullptr;
  }
  PyObject *row = PyDict_GetItemWithError(attrs, key.get());  // borrowed
  if (!row) return nullptr;
  Ref keep = Ref::borrow(row);
  return PySequence_GetItem(row, 0);
}

}  // namespace

const char *Resolved::c_name() const { return PyBytes_AS_STRING(bytes.get()); }

PyObject *does_not_exist(PyObject *name) {
  return PyErr_Format(PyExc_AttributeError, "Attribute `%S` does not exist", name);
}

bool resolve(TVXmodel *mdl, PyObject *name, const char *kind, Resolved &out) {
  out.name = name;
  out.canonical = Ref(norm_attr_name(name));
  if (!out.canonical) {
    if (!PyErr_Occurred()) does_not_exist(name);
    return false;
  }
  out.bytes = Ref(str2chars(out.canonical.get()));
  if (!out.bytes) return false;
  // A dead model holds no handle the library may see.
  if (!mdl) {
    raise_code(TVX_ERROR_INVALID_ARGUMENT);
    return false;
  }
  int datatype = 0, objkind = 0, settable = 0;
  const int rc = TVXgetattrinfo(mdl, out.c_name(), &datatype, &objkind, &settable);
  if (rc != TVX_ERROR_OKAY) {
    raise_code(rc);
    return false;
  }
  if (datatype < TVX_ATTRTYPE_CHAR || datatype > TVX_ATTRTYPE_MAT || objkind < 0 ||
      objkind >= kNumKinds) {
    raise_text("the library reported an unknown attribute type or owner kind");
    return false;
  }
  if (std::strcmp(kind, kind_letters[objkind]) != 0) {
    does_not_exist(name);
    return false;
  }
  out.datatype = datatype;
  return true;
}

PyObject *model_index_array() {
  npy_intp zero = 0;
  return PyArray_ZEROS(1, &zero, NPY_INT32, 0);
}

PyObject *index_array(TVXmodel *mdl, PyObject *elements) {
  Ref iter(PyObject_GetIter(elements));
  if (!iter) return nullptr;
  Ref index_name(PyUnicode_InternFromString("index"));
  if (!index_name) return nullptr;
  std::vector<int> indices;
  while (Ref item{PyIter_Next(iter.get())}) {
    if (handle_attr_kind(item.get()) && !handle_of_model(item.get(), mdl)) return nullptr;
    int i = 0;
    if (handle_is_exact(item.get())) {
      i = handle_index(item.get());
    } else {
      Ref index(PyObject_GetAttr(item.get(), index_name.get()));
      if (!index) return nullptr;
      if (!as_int32(index.get(), &i)) return nullptr;
    }
    indices.push_back(i);
  }
  if (PyErr_Occurred()) return nullptr;
  npy_intp n = py_size(indices);
  PyObject *arr = PyArray_ZEROS(1, &n, NPY_INT32, 0);
  if (arr && n) std::memcpy(numpy_int_buffer(arr), indices.data(), indices.size() * sizeof(int));
  return arr;
}

PyArray_Descr *char_descr() {
  Ref code(PyUnicode_FromString("c"));
  if (!code) return nullptr;
  PyArray_Descr *descr = nullptr;
  if (!PyArray_DescrConverter(code.get(), &descr)) return nullptr;
  return descr;
}

PyObject *invalid_newvalues() {
  PyErr_SetString(PyExc_ValueError, "invalid newvalues");
  return nullptr;
}

PyObject *wrong_count(PyObject *name, Py_ssize_t expected, Py_ssize_t given, const char *unit) {
  return PyErr_Format(PyExc_ValueError, "expected %zd values for `%S` (one per %s), got %zd",
                      expected, name, unit, given);
}

}  // namespace attr

namespace {

using attr::char_descr;
using attr::Resolved;

PyObject *zeros(npy_intp n, int typenum) { return PyArray_ZEROS(1, &n, typenum, 0); }

// A library answer that cannot be true is refused before it is used.
PyObject *bad_answer(const char *what) { return raise_text(what); }

// Stores text i, copied and decoded, as item i of an object array. The
// library's pointer must be a text: NULL is a bad answer, never passed on.
bool store_text(PyObject *values, int i, const char *text) {
  if (!text) {
    bad_answer("the library returned no text for a string attribute");
    return false;
  }
  Ref s(chars2str_c(text));
  if (!s) return false;
  const int32_t at = i;
  numpy_set_obj_and_incref(values, &at, s.get());
  return true;
}

PyObject *read_char(TVXmodel *mdl, const Resolved &r, PyObject *index, int n) {
  PyArray_Descr *descr = char_descr();
  if (!descr) return nullptr;
  npy_intp len = n;
  Ref values(PyArray_Zeros(1, &len, descr, 0));  // steals descr
  if (!values) return nullptr;
  const int rc = TVXgetcharattrlist(mdl, r.c_name(), n, numpy_int_buffer(index),
                                    numpy_char_buffer(values.get()));
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  return values.release();
}

// A numeric type's reader: the model's one value, or one value per element.
template <typename T, int npy_type, T *(*buffer)(PyObject *),
          int (*read_one)(TVXmodel *, const char *, T *),
          int (*read_list)(TVXmodel *, const char *, int, const int *, T *)>
PyObject *read_number(TVXmodel *mdl, const Resolved &r, PyObject *index, int n, bool model) {
  Ref values(zeros(model ? 1 : n, npy_type));
  if (!values) return nullptr;
  T *out = buffer(values.get());
  const int rc = model ? read_one(mdl, r.c_name(), out)
                       : read_list(mdl, r.c_name(), n, numpy_int_buffer(index), out);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  return values.release();
}

constexpr auto read_int =
    read_number<int32_t, NPY_INT32, numpy_int_buffer, TVXgetintattr, TVXgetintattrlist>;
constexpr auto read_dbl =
    read_number<double, NPY_FLOAT64, numpy_double_buffer, TVXgetdblattr, TVXgetdblattrlist>;

PyObject *read_str(TVXmodel *mdl, const Resolved &r, PyObject *index, int n, bool model) {
  Ref values(zeros(model ? 1 : n, NPY_OBJECT));
  if (!values) return nullptr;
  if (model) {
    const char *text = nullptr;
    const int rc = TVXgetstrattr(mdl, r.c_name(), &text);
    if (rc != TVX_ERROR_OKAY) return raise_code(rc);
    if (!store_text(values.get(), 0, text)) return nullptr;
    return values.release();
  }
  Buffer<const char *> texts;
  if (!texts.allocate(n)) return nullptr;
  for (int i = 0; i < n; i++) texts[i] = nullptr;
  const int rc = TVXgetstrattrlist(mdl, r.c_name(), n, numpy_int_buffer(index), texts.get());
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  // The texts stay the library's until the next call on this model; none is
  // made before all are copied.
  for (int i = 0; i < n; i++)
    if (!store_text(values.get(), i, texts[i])) return nullptr;
  return values.release();
}

// One matrix: dense unless fewer than half of its positions carry an entry.
PyObject *make_matrix(int rows, int cols, const int *pos, const double *val, int count) {
  const long long size = static_cast<long long>(rows) * cols;
  if (2LL * count >= size) {
    npy_intp dims[2] = {rows, cols};
    Ref dense(PyArray_ZEROS(2, dims, NPY_FLOAT64, 0));
    if (!dense) return nullptr;
    double *data = numpy_double_buffer(dense.get());
    for (int k = 0; k < count; k++) data[pos[k]] = val[k];  // later entries win
    return dense.release();
  }
  npy_intp len = count;
  Ref r(zeros(len, NPY_INT32)), c(zeros(len, NPY_INT32)), v(zeros(len, NPY_FLOAT64));
  if (!r || !c || !v) return nullptr;
  int32_t *rp = numpy_int_buffer(r.get()), *cp = numpy_int_buffer(c.get());
  double *vp = numpy_double_buffer(v.get());
  for (int k = 0; k < count; k++) {
    rp[k] = pos[k] / cols;
    cp[k] = pos[k] % cols;
    vp[k] = val[k];
  }
  Ref coo_matrix(sp_attr("coo_matrix"));
  if (!coo_matrix) return nullptr;
  Ref args(Py_BuildValue("((O(OO)))", v.get(), r.get(), c.get()));
  Ref kwargs(Py_BuildValue("{s(ii)}", "shape", rows, cols));
  if (!args || !kwargs) return nullptr;
  return PyObject_Call(coo_matrix.get(), args.get(), kwargs.get());
}

PyObject *read_mat(TVXmodel *mdl, const Resolved &r, PyObject *index, int n) {
  Ref values(zeros(n, NPY_OBJECT));
  if (!values) return nullptr;
  const int *ind = numpy_int_buffer(index);
  int nnz = 0;
  int rc =
      TVXgetmatattrlist(mdl, r.c_name(), n, ind, &nnz, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  if (nnz < 0) return bad_answer("the library returned a negative matrix entry count");
  Buffer<int> beg, rows, cols, pos;
  Buffer<double> val;
  if (!beg.allocate(n) || !rows.allocate(n) || !cols.allocate(n) || !pos.allocate(nnz) ||
      !val.allocate(nnz))
    return nullptr;
  for (int i = 0; i < n; i++) beg[i] = rows[i] = cols[i] = -1;
  int filled = nnz;
  rc = TVXgetmatattrlist(mdl, r.c_name(), n, ind, &filled, beg.get(), rows.get(), cols.get(),
                         pos.get(), val.get());
  if (rc != TVX_ERROR_OKAY) return raise_code(rc);
  // Everything the library gave is checked before any of it is used.
  if (filled != nnz) return bad_answer("the library changed the matrix entry count");
  for (int i = 0; i < n; i++) {
    const int end = i + 1 < n ? beg[i + 1] : nnz;
    if (rows[i] < 0 || cols[i] < 0 || beg[i] < 0 || beg[i] > end || end > nnz ||
        (i == 0 && beg[0] != 0))
      return bad_answer("the library returned bad matrix starts or sizes");
    const long long size = static_cast<long long>(rows[i]) * cols[i];
    for (int k = beg[i]; k < end; k++)
      if (pos[k] < 0 || pos[k] >= size)
        return bad_answer("the library returned a matrix position outside the matrix");
  }
  for (int i = 0; i < n; i++) {
    const int end = i + 1 < n ? beg[i + 1] : nnz;
    Ref m(make_matrix(rows[i], cols[i], pos.get() + beg[i], val.get() + beg[i], end - beg[i]));
    if (!m) return nullptr;
    const int32_t at = i;
    numpy_set_obj_and_incref(values.get(), &at, m.get());
  }
  return values.release();
}

}  // namespace

PyObject *model_getattr(TVXmodel *mdl, PyObject *name, const char *kind, PyObject *elements) {
  Resolved r;
  if (!attr::resolve(mdl, name, kind, r)) return nullptr;
  const bool model = !elements || elements == Py_None;
  if (model && r.datatype == TVX_ATTRTYPE_CHAR) return attr::does_not_exist(name);
  if (model && r.datatype == TVX_ATTRTYPE_MAT) return attr::does_not_exist(r.canonical.get());
  Ref index(model ? attr::model_index_array() : attr::index_array(mdl, elements));
  if (!index) return nullptr;
  int n = 0;
  if (!int_size(PyArray_SIZE(reinterpret_cast<PyArrayObject *>(index.get())), &n)) return nullptr;
  // No element, nothing to ask: an empty answer of the attribute's type.
  if (!model && n == 0) {
    switch (r.datatype) {
      case TVX_ATTRTYPE_CHAR: {
        PyArray_Descr *descr = char_descr();
        if (!descr) return nullptr;
        npy_intp zero = 0;
        return PyArray_Zeros(1, &zero, descr, 0);
      }
      case TVX_ATTRTYPE_INT:
        return zeros(0, NPY_INT32);
      case TVX_ATTRTYPE_DBL:
        return zeros(0, NPY_FLOAT64);
      default:
        return zeros(0, NPY_OBJECT);
    }
  }
  switch (r.datatype) {
    case TVX_ATTRTYPE_CHAR:
      return read_char(mdl, r, index.get(), n);
    case TVX_ATTRTYPE_INT:
      return read_int(mdl, r, index.get(), n, model);
    case TVX_ATTRTYPE_DBL:
      return read_dbl(mdl, r, index.get(), n, model);
    case TVX_ATTRTYPE_STR:
      return read_str(mdl, r, index.get(), n, model);
    default:
      return read_mat(mdl, r, index.get(), n);
  }
}

}  // namespace dz
