// Pickling: classes that store their fields in the pickle, and classes that
// hold a C pointer and refuse.
#ifndef DIDAZODA_RUNTIME_PICKLING_H
#define DIDAZODA_RUNTIME_PICKLING_H

#include "runtime/ref.h"

#include <structmember.h>

namespace dz {

struct PickleField {
  const char *name;
  int type;  // T_INT, T_DOUBLE or T_OBJECT
  Py_ssize_t offset;
  PyTypeObject *expect;  // T_OBJECT: required type (subclasses too), nullptr for any
  bool none_ok;
};

struct PickleSpec {
  const char *cls_name;
  const PickleField *fields;
  int nfields;
  bool has_dict;                // the instance __dict__ travels too
  int (*restored)(PyObject *);  // optional, runs after the fields are set
  // Optional, for containers: the elements travel as the pickle's state
  // (get_contents returns a new object holding them) and come back through
  // __setstate__ (set_contents), which runs once the object exists, so
  // elements that refer back to their container pickle and copy too.
  PyObject *(*get_contents)(PyObject *self) = nullptr;
  int (*set_contents)(PyObject *self, PyObject *contents) = nullptr;
};

// Binds __reduce__, which pickles the fields through the module-level
// reconstruction function _unpickle_<cls_name>; with contents hooks also
// __setstate__.
int bind_pickling(PyTypeObject *type, const PickleSpec *spec);
// Binds __reduce__ raising TypeError(text).
int bind_pickle_refusal(PyTypeObject *type, const char *text);
// Binds the reconstruction functions of every class bound by bind_pickling.
int bind_reconstructors(PyObject *module);

}  // namespace dz

#endif
