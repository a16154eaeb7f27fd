// The owned object fields of an extension type, named once as a list of
// members: making, installing, visiting and freeing them are defined here
// for every such type.
#ifndef DIDAZODA_RUNTIME_OBJECT_FIELDS_H
#define DIDAZODA_RUNTIME_OBJECT_FIELDS_H

#include <cstddef>

#include "runtime/ref.h"

namespace dz {

template <typename T, PyObject *T::*...Fields>
struct ObjectFields {
  // A new object of type holding the values (stolen, one per field, in
  // order); null when a value is null or the allocation fails. Other
  // members keep what tp_alloc gives them (zero).
  template <typename... V>
  static PyObject *make(PyTypeObject *type, V... values) {
    static_assert(sizeof...(V) == sizeof...(Fields), "one value per field");
    Ref refs[] = {Ref(values)...};
    for (const Ref &r : refs)
      if (!r) return nullptr;
    PyObject *self = type->tp_alloc(type, 0);
    if (!self) return nullptr;
    store(self, refs);
    return self;
  }

  // Replaces the fields by the values (stolen); the old values go only
  // after all are set, so their finalisers see a whole object. 0, or -1
  // when a value is null (nothing changed).
  template <typename... V>
  static int install(PyObject *self, V... values) {
    static_assert(sizeof...(V) == sizeof...(Fields), "one value per field");
    Ref refs[] = {Ref(values)...};
    for (const Ref &r : refs)
      if (!r) return -1;
    T *o = reinterpret_cast<T *>(self);
    Ref old[] = {Ref(o->*Fields)...};
    store(self, refs);
    return 0;
  }

  static int traverse(PyObject *self, visitproc visit, void *arg) {
    T *o = reinterpret_cast<T *>(self);
    int r = 0;
    (void)((r = (o->*Fields) ? visit(o->*Fields, arg) : 0, r == 0) && ...);
    return r;
  }

  // tp_dealloc of a collected type without tp_clear.
  static void dealloc(PyObject *self) {
    PyObject_GC_UnTrack(self);
    T *o = reinterpret_cast<T *>(self);
    const auto clear = [](PyObject *&field) { Py_CLEAR(field); };
    (clear(o->*Fields), ...);
    Py_TYPE(self)->tp_free(self);
  }

 private:
  static void store(PyObject *self, Ref *refs) {
    T *o = reinterpret_cast<T *>(self);
    std::size_t i = 0;
    ((o->*Fields = refs[i++].release()), ...);
  }
};

}  // namespace dz

#endif
