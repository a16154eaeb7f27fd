// The attribute engine: every read and write of a solver attribute, for the
// model itself and for lists of element handles, ends here.
#ifndef DIDAZODA_MODEL_ATTRS_H
#define DIDAZODA_MODEL_ATTRS_H

#include "runtime/ref.h"
#include "module/tarvex.h"

// numpy's PyArray_Descr; numpy itself stays out of this header.
struct _PyArray_Descr;  // NOLINT(bugprone-reserved-identifier): numpy's own tag

namespace dz {

// [item]: the engine takes a list of elements, a handle is a list of one.
// New reference or nullptr.
PyObject *one_item_list(PyObject *item);

// name: the attribute name as the caller wrote it (str or None; matched
// without regard to case, "/" as "_"). kind: the requested element kind, "m"
// for the model, else "v", "lin", "sos", "gen", "psdv", "psdc". elements:
// None for the model itself, otherwise any sized iterable of objects with an
// `index`; a handle among them must belong to mdl (TarvexError otherwise).
// mdl may be NULL (a dead model, a handle made from Python): TarvexError
// INVALID_ARGUMENT without a library call. A freed mdl is refused by the
// library, which surfaces as TarvexError too.

// Returns the value array: one-dimensional, one entry per element (one entry
// for the model); entry 0 is what a single handle reads.
PyObject *model_getattr(TVXmodel *mdl, PyObject *name, const char *kind, PyObject *elements);

// values: what is written, one per element (the value itself for the model).
// Refused first, with edit_allowed's RuntimeError, while a callback of mdl's
// solve runs.
// At element level a value array that does not hold one value per element
// raises wrong_count's ValueError before any library call. Returns None.
PyObject *model_setattr(TVXmodel *mdl, PyObject *name, const char *kind, PyObject *elements,
                        PyObject *values);

// ---- Shared by the reading and writing halves of the engine ----------------

namespace attr {

// What resolution learnt of an attribute that passed the kind check.
struct Resolved {
  PyObject *name = nullptr;  // as written (borrowed from the caller)
  Ref canonical;             // str: the name the table gives
  Ref bytes;                 // the canonical name as NUL-terminated UTF-8 (bytes)
  int datatype;              // a TVXattrtype code

  const char *c_name() const;
};

// Name resolution, attribute information and the kind check. false with
// AttributeError "Attribute `{}` does not exist" (name as written) for an
// unknown name or another kind, TarvexError for a library refusal.
bool resolve(TVXmodel *mdl, PyObject *name, const char *kind, Resolved &out);

// Raises AttributeError "Attribute `{}` does not exist" with str(name);
// returns nullptr.
PyObject *does_not_exist(PyObject *name);

// int32 array of the elements' indices in iteration order, iterated once.
PyObject *index_array(TVXmodel *mdl, PyObject *elements);
// The empty int32 array that stands for the model level.
PyObject *model_index_array();

// numpy's one-byte dtype "c" of character values (a PyArray_Descr): a new
// reference.
::_PyArray_Descr *char_descr();

// ValueError "invalid newvalues"; returns nullptr.
PyObject *invalid_newvalues();

// ValueError "expected {expected} values for `{name}` (one per {unit}), got
// {given}", name as written; returns nullptr.
PyObject *wrong_count(PyObject *name, Py_ssize_t expected, Py_ssize_t given, const char *unit);

}  // namespace attr

}  // namespace dz

#endif
