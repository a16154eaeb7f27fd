// Helpers shared by the expression classes, the kernels and quicksum.
#ifndef DIDAZODA_EXPR_EXPR_UTIL_H
#define DIDAZODA_EXPR_EXPR_UTIL_H

#include "runtime/args.h"
#include "runtime/arraylike.h"

namespace dz {

// Interned names, made once by expr_strings_ready().
struct ExprStrings {
  PyObject *make_append_safe, *make_update_safe, *getAttr, *X, *index, *sameAs, *iadd, *addTerms,
      *addConstant, *getConstant, *name;
};
int expr_strings_ready();
const ExprStrings &expr_str();

// Parameter names of the methods the expression classes share.
namespace expr_params {
inline constexpr const char *self_only[] = {"self"};
inline constexpr const char *add_args[] = {"self", "expr", "mult"};
inline constexpr const char *c_arg[] = {"self", "c"};
inline constexpr const char *item_arg[] = {"self", "item"};
inline constexpr const char *addTerms_args[] = {"self", "coeffs", "vars"};
inline constexpr const char *index_arg[] = {"self", "index"};
}  // namespace expr_params

// The type slots the expression classes set alike: a collected class that
// may be subclassed, whose repr is its str. number, when given, becomes
// the class's number table with the in-place operators set.
struct ExprTypeSpec {
  const char *name;
  Py_ssize_t size;
  const char *doc;
  PyTypeObject *base;
  newfunc alloc;
  initproc init;
  destructor dealloc;
  traverseproc traverse;
  reprfunc str;
  PyNumberMethods *number = nullptr;
  binaryfunc iadd = nullptr, isub = nullptr, imul = nullptr;
};

// Makes the shared strings, then fills t from spec. 0, or -1.
int expr_type_prepare(PyTypeObject *t, const ExprTypeSpec &spec);

// type(o).__name__, a new reference.
PyObject *type_name(PyObject *o);

// TypeError "unsupport operation <op>: `A` and `B`" with the type names of
// self and other. Returns nullptr.
PyObject *raise_unsupported(const char *op, PyObject *self, PyObject *other);

// ValueError for parallel term lists of unequal lengths. Returns -1.
int raise_unequal_terms(const char *cls, int a, int b);

// isinstance(o, numbers.Number), without a lookup for int and float (and
// their subclasses) or for an Operand, which is never a number. 1, 0, or -1
// with an exception.
int is_number(PyObject *o);

// A float coefficient: the shared 1.0 for 1.0, else a new float. New
// reference.
PyObject *coeff_float(double v);

}  // namespace dz

#endif
