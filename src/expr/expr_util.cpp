#include "expr/expr_util.h"

#include "module/classes.h"
#include "expr/text.h"
#include "runtime/guard.h"

namespace dz {

namespace {

ExprStrings strings;
PyObject *one = nullptr;  // lives as long as the process

}  // namespace

int expr_strings_ready() {
  if (strings.make_append_safe) return 0;
  struct {
    PyObject **slot;
    const char *text;
  } names[] = {
      {&strings.make_append_safe, "_make_append_safe"},
      {&strings.make_update_safe, "_make_update_safe"},
      {&strings.getAttr, "getAttr"},
      {&strings.X, "X"},
      {&strings.index, "index"},
      {&strings.sameAs, "sameAs"},
      {&strings.iadd, "__iadd__"},
      {&strings.addTerms, "addTerms"},
      {&strings.addConstant, "addConstant"},
      {&strings.getConstant, "getConstant"},
      {&strings.name, "__name__"},
  };
  for (auto &n : names)
    if (!(*n.slot = PyUnicode_InternFromString(n.text))) return -1;
  if (!(one = PyFloat_FromDouble(1.0))) return -1;
  return 0;
}

const ExprStrings &expr_str() { return strings; }

int expr_type_prepare(PyTypeObject *t, const ExprTypeSpec &spec) {
  if (expr_strings_ready() < 0) return -1;
  t->tp_name = spec.name;
  t->tp_basicsize = spec.size;
  t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
  t->tp_doc = spec.doc;
  t->tp_base = spec.base;
  t->tp_new = spec.alloc;
  t->tp_init = spec.init;
  t->tp_dealloc = spec.dealloc;
  t->tp_traverse = spec.traverse;
  t->tp_str = spec.str;
  t->tp_repr = DZ_SLOT(repr_via_str);
  if (spec.number) {
    spec.number->nb_inplace_add = spec.iadd;
    spec.number->nb_inplace_subtract = spec.isub;
    spec.number->nb_inplace_multiply = spec.imul;
    t->tp_as_number = spec.number;
  }
  return 0;
}

PyObject *type_name(PyObject *o) {
  return PyObject_GetAttr(reinterpret_cast<PyObject *>(Py_TYPE(o)), strings.name);
}

PyObject *raise_unsupported(const char *op, PyObject *self, PyObject *other) {
  Ref a(type_name(self));
  if (!a) return nullptr;
  Ref b(type_name(other));
  if (!b) return nullptr;
  return PyErr_Format(PyExc_TypeError, "unsupport operation %s: `%S` and `%S`", op, a.get(),
                      b.get());
}

int raise_unequal_terms(const char *cls, int a, int b) {
  PyErr_Format(PyExc_ValueError, "%s term lists have unequal lengths (%d and %d)", cls, a, b);
  return -1;
}

int is_number(PyObject *o) {
  if (PyFloat_Check(o) || PyLong_Check(o)) return 1;
  // Variables and expressions are never numbers: no ABC lookup for them.
  if (PyObject_TypeCheck(o, Operand_class.type)) return 0;
  return is_number_instance(o);
}

PyObject *coeff_float(double v) {
  if (v == 1.0) {
    return new_ref(one);
  }
  return PyFloat_FromDouble(v);
}

}  // namespace dz
