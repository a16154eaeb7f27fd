#include "module/classes.h"

namespace dz {

PyTypeObject tuplelist_Type = {PyVarObject_HEAD_INIT(nullptr, 0)};

namespace {

struct tuplelistObject {
  PyListObject base;
};

struct tuplelistOps {
  OpSlot check_;
  OpSlot constructor_;
  OpSlot append_;
  OpSlot insert_;
  OpSlot extend_;
  OpSlot add_;
  OpSlot build_;
  OpSlot match_;
  OpSlot disjoint_;
  OpSlot union_;
  OpSlot inv_lists_;
  OpSlot select_;
};

tuplelistOps tuplelist_ops;

const char init_doc[] = "\n    tuplelist(li, wildcard='*')\n\n    A list of tuples of equal length (or of scalars) that selects its members by\n    pattern.\n";

int tuplelist_init(PyObject *self, PyObject *args, PyObject *kwargs) {
  return PyList_Type.tp_init(self, args, kwargs);
}

const PickleSpec pickle_spec = {"tuplelist", nullptr, 0, false, nullptr};

int tuplelist_prepare() {
  PyTypeObject *t = &tuplelist_Type;
  t->tp_name = "didazoda.tuplelist";
  t->tp_basicsize = sizeof(tuplelistObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_base = &PyList_Type;
  t->tp_init = tuplelist_init;
  tuplelist_ops = {op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built, op_not_built};
  return 0;
}

}  // namespace

const ClassDef tuplelist_class = {&tuplelist_Type, "tuplelist", tuplelist_prepare, nullptr, init_doc, true, &pickle_spec, nullptr};

}  // namespace dz
