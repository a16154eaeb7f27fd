// Single entry point for numpy's C API headers.
//
// Every module file that touches numpy includes this header instead of
// <numpy/arrayobject.h>, so that all of them share one API table.  The table
// is defined in numpy_helpers.cpp (which defines DIDAZODA_NUMPY_API_OWNER) and
// filled by numpy_helpers_init() at module start-up; everyone else declares it
// extern through NO_IMPORT_ARRAY.
#ifndef DIDAZODA_RUNTIME_NUMPY_API_H
#define DIDAZODA_RUNTIME_NUMPY_API_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#ifndef NPY_NO_DEPRECATED_API
#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#endif
#define PY_ARRAY_UNIQUE_SYMBOL didazoda_ARRAY_API
#ifndef DIDAZODA_NUMPY_API_OWNER
#define NO_IMPORT_ARRAY
#endif
#include <numpy/arrayobject.h>

#endif
