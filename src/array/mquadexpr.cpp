#include "module/classes.h"
#include "runtime/compat.h"

namespace dz {

PyTypeObject MQuadExpr_Type = static_type_object();

namespace {

struct MQuadExprObject {
  PyObject_HEAD
};

const PickleSpec pickle_spec = {"MQuadExpr", nullptr, 0, false, nullptr};

int mquadexpr_prepare() {
  PyTypeObject *t = &MQuadExpr_Type;
  t->tp_name = "didazoda.MQuadExpr";
  t->tp_basicsize = sizeof(MQuadExprObject);
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t->tp_base = Operand_class.type;
  t->tp_new = PyType_GenericNew;
  return 0;
}

}  // namespace

const ClassDef MQuadExpr_class = {&MQuadExpr_Type, "MQuadExpr", mquadexpr_prepare, nullptr,
                                  nullptr,         true,        &pickle_spec,      nullptr};

}  // namespace dz
