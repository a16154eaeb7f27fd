#include "module/classes.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject MLinExpr_Type = static_type_object();

namespace {

struct MLinExprObject {
  PyObject_HEAD
};

const PickleSpec pickle_spec = {"MLinExpr", nullptr, 0, false, nullptr};

int mlinexpr_prepare() {
  PyTypeObject *t = &MLinExpr_Type;
  t->tp_name = "didazoda.MLinExpr";
  t->tp_basicsize = sizeof(MLinExprObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_base = Operand_class.type;
  t->tp_new = PyType_GenericNew;
  return 0;
}

}  // namespace

const ClassDef MLinExpr_class = {&MLinExpr_Type, "MLinExpr", mlinexpr_prepare, nullptr,
                                 nullptr,        true,       &pickle_spec,     nullptr};

}  // namespace dz
