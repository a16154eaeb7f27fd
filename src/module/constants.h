// The tables attrs, params, wheres, whats, errors and status, the constant
// classes built from them and the constants object TVX.
#ifndef DIDAZODA_MODULE_CONSTANTS_H
#define DIDAZODA_MODULE_CONSTANTS_H

#include "runtime/ref.h"

namespace dz {

// Builds the constant classes, the six module-private tables, the constants
// object and binds them into the module; 0, or -1 with an exception set.
int build_constants(PyObject *module);

// ---- The building steps, one source file each, run by build_constants ----

// The plain classes that carry the constant sets: metaclass type, base
// object, module "didazoda", no docstring.
struct ConstClasses {
  Ref attr;      // AttrConstClass
  Ref param;     // ParamConstClass
  Ref error;     // ErrorConstClass
  Ref status;    // StatusConstClass
  Ref callback;  // CallbackClass
};

// Sets on cls, under name, a property without setter or deleter whose getter
// `<lambda>(self, ctx=value)` returns ctx; doc is its docstring.
int add_value_property(PyObject *cls, PyObject *name, PyObject *value, PyObject *doc);

// Binds a new instance of cls (no arguments) as the module attribute name.
int bind_instance(PyObject *module, PyObject *cls, const char *name);

// constants_names.cpp: attrs with AttrConstClass and attr, then params with
// ParamConstClass and param.
int build_name_tables(PyObject *module, const ConstClasses &classes);

// constants_callbacks.cpp: wheres and whats with CallbackClass and callback.
int build_callback_tables(PyObject *module, const ConstClasses &classes);

// constants_codes.cpp: errors and status, each code set on its constant class
// and on the class tvx, then Error, error, Status and status on tvx.
int build_code_tables(const ConstClasses &classes, PyObject *tvx);

}  // namespace dz

#endif
