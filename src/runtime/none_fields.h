// The object fields of a class whose fields are never NULL: None from
// allocation on, and None again after the garbage collector clears them.
#ifndef DIDAZODA_RUNTIME_NONE_FIELDS_H
#define DIDAZODA_RUNTIME_NONE_FIELDS_H

#include <Python.h>

namespace dz {

// Fields lists the class's own object fields once, for every slot below.
template <typename Obj, PyObject *Obj::*...Fields>
struct NoneFields {
  static PyObject *alloc(PyTypeObject *type, PyObject *, PyObject *) {
    PyObject *self = type->tp_alloc(type, 0);
    if (!self) return nullptr;
    Obj *o = reinterpret_cast<Obj *>(self);
    for (PyObject *Obj::*f : {Fields...}) {
      Py_INCREF(Py_None);
      o->*f = Py_None;
    }
    return self;
  }
  static int traverse(PyObject *self, visitproc visit, void *arg) {
    Obj *o = reinterpret_cast<Obj *>(self);
    for (PyObject *Obj::*f : {Fields...}) Py_VISIT(o->*f);
    return 0;
  }
  // Leaves None behind: the methods never meet a NULL field.
  static int clear(PyObject *self) {
    Obj *o = reinterpret_cast<Obj *>(self);
    for (PyObject *Obj::*f : {Fields...}) {
      Py_INCREF(Py_None);
      Py_SETREF(o->*f, Py_None);
    }
    return 0;
  }
  // Drops the fields for deallocation.
  static void release(PyObject *self) {
    Obj *o = reinterpret_cast<Obj *>(self);
    for (PyObject *Obj::*f : {Fields...}) Py_CLEAR(o->*f);
  }
};

}  // namespace dz

#endif  // DIDAZODA_RUNTIME_NONE_FIELDS_H
