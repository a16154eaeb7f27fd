#include "module/classes.h"

namespace dz {

PyTypeObject tupledict_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct tupledictObject {
  PyDictObject base;
};

struct tupledictOps {
  OpSlot select_;
};

tupledictOps tupledict_ops;

const char init_doc[] = "\n    tupledict(*args, **kwargs)\n\n    A dict whose keys are tuples of equal length, with pattern selection and sums\n    over its values.\n";

int tupledict_init(PyObject *self, PyObject *args, PyObject *kwargs) {
  return PyDict_Type.tp_init(self, args, kwargs);
}

const PickleSpec pickle_spec = {"tupledict", nullptr, 0, false, nullptr};

int tupledict_prepare() {
  PyTypeObject *t = &tupledict_Type;
  t->tp_name = "didazoda.tupledict";
  t->tp_basicsize = sizeof(tupledictObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_base = &PyDict_Type;
  t->tp_init = tupledict_init;
  tupledict_ops = {op_not_built};
  return 0;
}

}  // namespace

const ClassDef tupledict_class = {&tupledict_Type, "tupledict", tupledict_prepare, nullptr, init_doc, true, &pickle_spec, nullptr};

}  // namespace dz
