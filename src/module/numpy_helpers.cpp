// Raw numpy array accessors.  Everything goes through numpy's own accessors
// so the same source serves numpy 1.x and 2.x, whose array and descriptor
// layouts differ.
#define DIDAZODA_NUMPY_API_OWNER
#include "runtime/numpy_api.h"

#include "module/numpy_helpers.h"

#include <cstring>

namespace {

inline PyArrayObject *as_array(PyObject *arr) { return reinterpret_cast<PyArrayObject *>(arr); }

// numpy 2 moved elsize/alignment and widened flags; its compat accessors pick
// the layout at run time, while numpy 1.x headers only have the fields.
#if NPY_ABI_VERSION < 0x02000000
inline npy_intp descr_elsize(PyArray_Descr *d) { return d->elsize; }
inline npy_intp descr_alignment(PyArray_Descr *d) { return d->alignment; }
inline npy_uint64 descr_flags(PyArray_Descr *d) { return static_cast<unsigned char>(d->flags); }
#else
inline npy_intp descr_elsize(PyArray_Descr *d) { return PyDataType_ELSIZE(d); }
inline npy_intp descr_alignment(PyArray_Descr *d) { return PyDataType_ALIGNMENT(d); }
inline npy_uint64 descr_flags(PyArray_Descr *d) { return PyDataType_FLAGS(d); }
#endif

// An object array's slot holds a PyObject *, read and written by copying:
// object arrays need not be aligned.
constexpr std::size_t kSlotSize = sizeof(PyObject *);  // NOLINT(bugprone-sizeof-expression)

inline int flag_bits(PyObject *arr, int mask) { return PyArray_FLAGS(as_array(arr)) & mask; }

// Address of the element at `index`; the offset is summed at pointer width
// and may be negative (reversed views).
inline char *element(PyObject *arr, const int32_t *index) {
  PyArrayObject *a = as_array(arr);
  const int nd = PyArray_NDIM(a);
  const npy_intp *strides = PyArray_STRIDES(a);
  npy_intp offset = 0;
  for (int k = 0; k < nd; ++k) offset += npy_intp{index[k]} * strides[k];
  return static_cast<char *>(PyArray_DATA(a)) + offset;
}

inline bool has_zero_dim(PyArrayObject *a) {
  const int nd = PyArray_NDIM(a);
  const npy_intp *dims = PyArray_DIMS(a);
  for (int k = 0; k < nd; ++k)
    if (dims[k] == 0) return true;
  return false;
}

}  // namespace

int numpy_helpers_init(void) {
  // _import_array() leaves the real cause as the exception; the stock
  // import_array macros would print it and replace it with a generic one.
  if (PyArray_API != nullptr) return 0;
  return _import_array() < 0 ? -1 : 0;
}

int numpy_ndim(PyObject *arr) { return PyArray_NDIM(as_array(arr)); }

void numpy_shape(PyObject *arr, int32_t *shape) {
  PyArrayObject *a = as_array(arr);
  const int nd = PyArray_NDIM(a);
  const npy_intp *dims = PyArray_DIMS(a);
  for (int k = 0; k < nd; ++k) shape[k] = static_cast<int32_t>(dims[k]);
}

void numpy_strides(PyObject *arr, int32_t *strides) {
  PyArrayObject *a = as_array(arr);
  const int nd = PyArray_NDIM(a);
  const npy_intp *st = PyArray_STRIDES(a);
  for (int k = 0; k < nd; ++k) strides[k] = static_cast<int32_t>(st[k]);
}

int numpy_c_contiguous(PyObject *arr) { return flag_bits(arr, NPY_ARRAY_C_CONTIGUOUS); }
int numpy_f_contiguous(PyObject *arr) { return flag_bits(arr, NPY_ARRAY_F_CONTIGUOUS); }
int numpy_aligned(PyObject *arr) { return flag_bits(arr, NPY_ARRAY_ALIGNED); }
int numpy_elestride(PyObject *arr) { return flag_bits(arr, NPY_ARRAY_ELEMENTSTRIDES); }

int numpy_elepointer(PyObject *arr) {
  return static_cast<int>(descr_flags(PyArray_DESCR(as_array(arr))) & NPY_ITEM_IS_POINTER);
}

int numpy_elesize(PyObject *arr) {
  return static_cast<int>(descr_elsize(PyArray_DESCR(as_array(arr))));
}

int numpy_alignment(PyObject *arr) {
  return static_cast<int>(descr_alignment(PyArray_DESCR(as_array(arr))));
}

int numpy_size(PyObject *arr) {
  PyArrayObject *a = as_array(arr);
  // Multiplied at pointer width: numpy guarantees the product fits there.
  npy_intp n = 1;
  const int nd = PyArray_NDIM(a);
  const npy_intp *dims = PyArray_DIMS(a);
  for (int k = 0; k < nd; ++k) n *= dims[k];
  return static_cast<int32_t>(n);
}

void *numpy_get(PyObject *arr, const int32_t *index) { return element(arr, index); }

PyObject *numpy_getobj(PyObject *arr, const int32_t *index) {
  PyObject *obj;
  std::memcpy(&obj, element(arr, index), kSlotSize);
  if (obj == nullptr) obj = Py_None;
  Py_INCREF(obj);
  return obj;
}

void numpy_set_obj_and_incref(PyObject *arr, const int32_t *index, PyObject *obj) {
  char *slot = element(arr, index);
  PyObject *old;
  std::memcpy(&old, slot, kSlotSize);
  Py_INCREF(obj);
  std::memcpy(slot, &obj, kSlotSize);
  // Released only after the slot holds the new object: a finaliser run by
  // this decref may look at the array.
  Py_XDECREF(old);
}

void *numpy_flat(PyObject *arr, int32_t pos) {
  PyArrayObject *a = as_array(arr);
  char *data = static_cast<char *>(PyArray_DATA(a));
  npy_intp p = pos;
  if (PyArray_FLAGS(a) & NPY_ARRAY_C_CONTIGUOUS) return data + p * descr_elsize(PyArray_DESCR(a));
  // An empty array has no element to address; this also keeps the
  // divisions below away from a zero extent.
  if (has_zero_dim(a)) return data;
  const int nd = PyArray_NDIM(a);
  const npy_intp *dims = PyArray_DIMS(a);
  const npy_intp *strides = PyArray_STRIDES(a);
  npy_intp offset = 0;
  for (int k = nd - 1; k >= 0; --k) {
    offset += (p % dims[k]) * strides[k];
    p /= dims[k];
  }
  return data + offset;
}

void *numpy_buffer(PyObject *arr) { return PyArray_DATA(as_array(arr)); }
char *numpy_char_buffer(PyObject *arr) { return static_cast<char *>(numpy_buffer(arr)); }
int32_t *numpy_int_buffer(PyObject *arr) { return static_cast<int32_t *>(numpy_buffer(arr)); }
double *numpy_double_buffer(PyObject *arr) { return static_cast<double *>(numpy_buffer(arr)); }

void numpy_c2f(PyObject *) {}

void numpy_mark_c_order(PyObject *arr) {
  PyArrayObject *a = as_array(arr);
  if (!(PyArray_FLAGS(a) & NPY_ARRAY_F_CONTIGUOUS) || has_zero_dim(a)) return;
  const int nd = PyArray_NDIM(a);
  const npy_intp *dims = PyArray_DIMS(a);
  // The array's own stride vector: rewriting it reinterprets the (contiguous)
  // buffer in row-major order without moving any data.
  npy_intp *strides = PyArray_STRIDES(a);
  npy_intp total = descr_elsize(PyArray_DESCR(a));
  for (int k = 0; k < nd; ++k) total *= dims[k];
  for (int k = 0; k < nd; ++k) {
    total /= dims[k];
    strides[k] = total;
  }
  // Only contiguity follows from the new strides; ownership, writeability
  // and alignment are unchanged.
  PyArray_UpdateFlags(a, NPY_ARRAY_C_CONTIGUOUS | NPY_ARRAY_F_CONTIGUOUS);
}
