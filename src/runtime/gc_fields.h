// The owned object fields of an extension type, listed once: filling them,
// visiting and clearing them for the garbage collector and releasing them
// on deallocation all follow the one list, so the slots cannot drift.
#ifndef DIDAZODA_RUNTIME_GC_FIELDS_H
#define DIDAZODA_RUNTIME_GC_FIELDS_H

#include <cstddef>
#include <type_traits>

#include "runtime/ref.h"

namespace dz {

// What a field holds when it holds nothing. null: NULL, which every reader
// checks for. none: None, from allocation on and again after the collector
// cleared it, so the methods never meet a NULL field.
enum class Unset { null, none };

// The base of a class: NoBase for a class of plain fields, or the built-in
// type it derives from (BuiltinBase<&PyList_Type>), whose own traverse and
// clear run first. Told apart by type, since the address of a type object
// is no constant expression under every compiler option.
struct NoBase {};
template <PyTypeObject *Type>
struct BuiltinBase {
  static PyTypeObject *type() { return Type; }
};

template <typename T, Unset unset, typename Base, PyObject *T::*...Fields>
struct GcFields {
  static constexpr bool kDerived = !std::is_same_v<Base, NoBase>;

  // Sets every field to the unset value; for memory that holds no
  // references yet (tp_alloc's zeroes, or PyObject_GC_New's garbage).
  static void fill(PyObject *self) {
    T *o = reinterpret_cast<T *>(self);
    ((o->*Fields = unset_value()), ...);
  }

  // tp_new of a class whose objects start with every field unset.
  static PyObject *alloc(PyTypeObject *type, PyObject *, PyObject *) {
    PyObject *self = type->tp_alloc(type, 0);
    if (self) fill(self);
    return self;
  }

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
    if constexpr (kDerived) {
      if (int r = Base::type()->tp_traverse(self, visit, arg)) return r;
    }
    T *o = reinterpret_cast<T *>(self);
    int r = 0;
    (void)((r = (o->*Fields) ? visit(o->*Fields, arg) : 0, r == 0) && ...);
    return r;
  }

  // Leaves every field unset, each old value released as soon as its field
  // holds the new one.
  static int clear(PyObject *self) {
    if constexpr (kDerived) Base::type()->tp_clear(self);
    T *o = reinterpret_cast<T *>(self);
    const auto reset = [](PyObject *&field) { Py_XSETREF(field, unset_value()); };
    (reset(o->*Fields), ...);
    return 0;
  }

  // Drops the fields, for a deallocation of the class's own.
  static void release(PyObject *self) {
    T *o = reinterpret_cast<T *>(self);
    const auto drop = [](PyObject *&field) { Py_CLEAR(field); };
    (drop(o->*Fields), ...);
  }

  // tp_dealloc of a class of plain fields that needs nothing more.
  static void dealloc(PyObject *self) {
    static_assert(!kDerived, "a derived class deallocates through its base");
    PyObject_GC_UnTrack(self);
    release(self);
    Py_TYPE(self)->tp_free(self);
  }

 private:
  static PyObject *unset_value() { return unset == Unset::none ? new_ref(Py_None) : nullptr; }

  static void store(PyObject *self, Ref *refs) {
    T *o = reinterpret_cast<T *>(self);
    std::size_t i = 0;
    ((o->*Fields = refs[i++].release()), ...);
  }
};

}  // namespace dz

#endif
