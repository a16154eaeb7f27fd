// Raw accessors for numpy arrays, exported from the module's shared object
// with C linkage so that outside C code can use them too.
//
// None of the numpy_* functions checks its arguments, takes the interpreter
// lock or raises: the caller holds the lock and passes a numpy array (an array
// of dtype object for the *obj* functions), index buffers with one entry per
// dimension, and shape/stride buffers with room for numpy_ndim() entries.
// Dimensions and strides cross as int32, so arrays whose extents do not fit in
// 32 bits are not supported.
#ifndef DIDAZODA_MODULE_NUMPY_HELPERS_H
#define DIDAZODA_MODULE_NUMPY_HELPERS_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <stdint.h>

#define DIDAZODA_NUMPY_EXPORT extern "C" __attribute__((visibility("default")))

// Loads numpy's C API table; call once, after numpy has been imported.
// Returns 0, or -1 with an exception set.
int numpy_helpers_init(void);

DIDAZODA_NUMPY_EXPORT int numpy_ndim(PyObject *arr);
// Writes numpy_ndim(arr) entries (none for a 0-d array).
DIDAZODA_NUMPY_EXPORT void numpy_shape(PyObject *arr, int32_t *shape);
// Writes numpy_ndim(arr) entries, in bytes.
DIDAZODA_NUMPY_EXPORT void numpy_strides(PyObject *arr, int32_t *strides);

// Array flag bits, returned masked (0 or the bit's value).
DIDAZODA_NUMPY_EXPORT int numpy_c_contiguous(PyObject *arr);  // 0 or 0x1
DIDAZODA_NUMPY_EXPORT int numpy_f_contiguous(PyObject *arr);  // 0 or 0x2
DIDAZODA_NUMPY_EXPORT int numpy_aligned(PyObject *arr);       // 0 or 0x100
DIDAZODA_NUMPY_EXPORT int numpy_elestride(PyObject *arr);     // 0 or 0x80
// dtype's items-are-pointers bit: 0 or 0x4.
DIDAZODA_NUMPY_EXPORT int numpy_elepointer(PyObject *arr);
DIDAZODA_NUMPY_EXPORT int numpy_elesize(PyObject *arr);
DIDAZODA_NUMPY_EXPORT int numpy_alignment(PyObject *arr);
// Number of elements (1 for a 0-d array), truncated to 32 bits.
DIDAZODA_NUMPY_EXPORT int numpy_size(PyObject *arr);

// Address of the element at `index` (numpy_ndim entries, not range-checked).
DIDAZODA_NUMPY_EXPORT void *numpy_get(PyObject *arr, const int32_t *index);
// New reference to the object stored at `index`; an empty (NULL) slot reads
// as None, as numpy itself reads it.
DIDAZODA_NUMPY_EXPORT PyObject *numpy_getobj(PyObject *arr, const int32_t *index);
// Stores a new reference to `obj` at `index` and releases the previous
// occupant.
DIDAZODA_NUMPY_EXPORT void numpy_set_obj_and_incref(PyObject *arr, const int32_t *index,
                                                    PyObject *obj);
// Address of the element at row-major position `pos` (0 <= pos < size).
DIDAZODA_NUMPY_EXPORT void *numpy_flat(PyObject *arr, int32_t pos);

// The data pointer, typed for the caller's convenience; no dtype or
// contiguity check is made.
DIDAZODA_NUMPY_EXPORT void *numpy_buffer(PyObject *arr);
DIDAZODA_NUMPY_EXPORT char *numpy_char_buffer(PyObject *arr);
DIDAZODA_NUMPY_EXPORT int32_t *numpy_int_buffer(PyObject *arr);
DIDAZODA_NUMPY_EXPORT double *numpy_double_buffer(PyObject *arr);

// Kept for outside callers; does nothing.
DIDAZODA_NUMPY_EXPORT void numpy_c2f(PyObject *arr);
// For a Fortran-contiguous array without zero-length dimensions: rewrites the
// strides to the row-major strides of its shape, so the same memory is read
// in C order, and recomputes the two contiguity flags.  Any other array is
// left alone.
DIDAZODA_NUMPY_EXPORT void numpy_mark_c_order(PyObject *arr);

#endif
