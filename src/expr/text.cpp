// Text of LinExpr and QuadExpr. Terms are read through snapshots: reading a
// name runs Python code (the attribute engine, or a subclass's getAttr),
// which may change the expression meanwhile.
#include "expr/text.h"

#include <cmath>

#include "expr/expr_util.h"
#include "expr/linexpr.h"
#include "expr/quadexpr.h"
#include "expr/terms.h"
#include "model/handles.h"

namespace dz {

namespace {

constexpr Py_ssize_t kMaxText = 250;
constexpr Py_ssize_t kHalfText = (kMaxText - 3) >> 1;

struct TextStrings {
  PyObject *plus, *plus_joiner, *minus, *times, *squared, *blank, *empty, *ellipsis, *shape_fmt,
      *VarName, *size, *str, *one, *zero;
};
TextStrings ts;

int text_strings_ready() {
  if (ts.plus) return 0;
  struct {
    PyObject **slot;
    const char *text;
  } names[] = {
      {&ts.plus, " + "},        {&ts.plus_joiner, "+ "}, {&ts.minus, " - "},
      {&ts.times, " * "},       {&ts.squared, " ^ 2"},   {&ts.blank, " "},
      {&ts.empty, ""},          {&ts.ellipsis, " ... "}, {&ts.shape_fmt, "({}, {})"},
      {&ts.VarName, "VarName"}, {&ts.size, "size"},      {&ts.str, "__str__"},
  };
  for (auto &n : names)
    if (!(*n.slot = PyUnicode_InternFromString(n.text))) return -1;
  if (!(ts.one = PyLong_FromLong(1)) || !(ts.zero = PyLong_FromLong(0))) return -1;
  return 0;
}

bool is_named(PyObject *name) { return PyUnicode_Check(name) && PyUnicode_GET_LENGTH(name) > 0; }

bool check_name(PyObject *name) {
  if (name == Py_None || PyUnicode_Check(name)) return true;
  PyErr_Format(PyExc_TypeError, "Expected %s, got %.200s", "unicode", Py_TYPE(name)->tp_name);
  return false;
}

int append(PyObject *parts, PyObject *s) { return PyList_Append(parts, s); }

// "({}, {})".format(*coeff.shape) + " * " + name.
int append_matrix_term(PyObject *parts, PyObject *coeff, PyObject *name) {
  Ref shape(PyObject_GetAttrString(coeff, "shape"));
  if (!shape) return -1;
  Ref entries(PySequence_Tuple(shape.get()));
  if (!entries) return -1;
  Ref format(PyObject_GetAttrString(ts.shape_fmt, "format"));
  if (!format) return -1;
  Ref dims(PyObject_Call(format.get(), entries.get(), nullptr));
  if (!dims) return -1;
  if (!PyUnicode_Check(name)) {
    PyErr_Format(PyExc_TypeError, "can only concatenate str (not \"%.200s\") to str",
                 Py_TYPE(name)->tp_name);
    return -1;
  }
  if (append(parts, ts.plus) < 0 || append(parts, dims.get()) < 0 || append(parts, ts.times) < 0)
    return -1;
  return append(parts, name);
}

// Appends the pieces of one term to parts (see term_to_str).
int append_term(PyObject *parts, PyObject *coeff, PyObject *name, PyObject *name2, bool square) {
  if (!check_name(name) || !check_name(name2)) return -1;
  int number = is_number(coeff);
  if (number < 0) return -1;
  if (!number) return append_matrix_term(parts, coeff, name);
  int zero = is_zero(coeff);
  if (zero) return zero < 0 ? -1 : 0;
  int nonnegative, unit;
  Ref magnitude;
  if (PyFloat_CheckExact(coeff)) {
    const double c = PyFloat_AS_DOUBLE(coeff);
    nonnegative = c >= 0.0;
    unit = std::fabs(c) == 1.0;
    magnitude = Ref(PyFloat_FromDouble(std::fabs(c)));
  } else {
    nonnegative = PyObject_RichCompareBool(coeff, ts.zero, Py_GE);
    if (nonnegative < 0) return -1;
    magnitude = Ref(PyNumber_Absolute(coeff));
    unit = magnitude ? PyObject_RichCompareBool(magnitude.get(), ts.one, Py_EQ) : -1;
  }
  if (!magnitude || unit < 0) return -1;
  if (append(parts, nonnegative ? ts.plus : ts.minus) < 0) return -1;
  const bool named = is_named(name);
  if (!(unit && named)) {
    Ref text(PyObject_Str(magnitude.get()));
    if (!text || append(parts, text.get()) < 0) return -1;
  }
  if (named) {
    if (!unit && append(parts, ts.times) < 0) return -1;
    if (append(parts, name) < 0) return -1;
  }
  if (is_named(name2)) {
    if (square) return append(parts, ts.squared);
    if (append(parts, ts.times) < 0) return -1;
    return append(parts, name2);
  }
  return 0;
}

PyObject *joined(PyObject *parts) { return PyUnicode_Join(ts.empty, parts); }

// "<Cls: text>" from the terms' text s: its leading joiner dropped (" + "
// whole, " - " down to "- "), shortened.
PyObject *wrap_text(const char *cls, PyObject *s) {
  const Py_ssize_t n = PyUnicode_GET_LENGTH(s);
  if (n == 0) return PyUnicode_FromFormat("<%s: >", cls);
  Py_ssize_t start = n >= 2 && PyUnicode_READ_CHAR(s, 1) == '+' ? 3 : 1;
  if (start > n) start = n;
  Ref body(PyUnicode_Substring(s, start, n));
  if (!body) return nullptr;
  Ref short_body(shorten(body.get()));
  if (!short_body) return nullptr;
  return PyUnicode_FromFormat("<%s: %U>", cls, short_body.get());
}

// The number of terms to show: self.size(), looked up on the object for a
// subclass.
bool terms_to_show(PyObject *self, PyObject *view, Py_ssize_t *out) {
  Py_ssize_t n;
  if (Py_TYPE(self) == &LinExpr_Type || Py_TYPE(self) == &QuadExpr_Type) {
    n = as_list(view)->size_;
  } else {
    Ref size(PyObject_CallMethodObjArgs(self, ts.size, nullptr));
    if (!size) return false;
    n = PyNumber_AsSsize_t(size.get(), PyExc_OverflowError);
    if (n == -1 && PyErr_Occurred()) return false;
  }
  *out = n;
  return true;
}

// vars1.sameAs(vars2) for the pair of a quadratic term.
int same_pair(PyObject *v1, PyObject *v2) {
  if (Py_TYPE(v1) == &Var_Type && Py_TYPE(v2) == &Var_Type)
    return handle_mdl(v1) == handle_mdl(v2) && handle_index(v1) == handle_index(v2);
  Ref r(PyObject_CallMethod(v1, "sameAs", "(O)", v2));
  if (!r) return -1;
  return PyObject_IsTrue(r.get());
}

}  // namespace

PyObject *term_to_str(PyObject *coeff, PyObject *name, PyObject *name2, bool square) {
  if (text_strings_ready() < 0) return nullptr;
  Ref parts(PyList_New(0));
  if (!parts || append_term(parts.get(), coeff, name, name2, square) < 0) return nullptr;
  return joined(parts.get());
}

PyObject *shorten(PyObject *s) {
  const Py_ssize_t n = PyUnicode_GET_LENGTH(s);
  if (n <= kMaxText) {
    return new_ref(s);
  }
  if (text_strings_ready() < 0) return nullptr;
  Ref head(PyUnicode_Substring(s, 0, kHalfText));
  if (!head) return nullptr;
  Ref tail(PyUnicode_Substring(s, n - kHalfText, n));
  if (!tail) return nullptr;
  return PyUnicode_FromFormat("%U%U%U", head.get(), ts.ellipsis, tail.get());
}

namespace {

// The texts of the terms an expression shows, as a new list: its terms read
// by read into t, then term(parts, k) appending the k-th.
template <typename Terms, typename Term>
PyObject *term_texts(PyObject *self, PyObject *view, int (*read)(PyObject *, Terms &), Terms &t,
                     Term term) {
  if (text_strings_ready() < 0) return nullptr;
  Py_ssize_t n;
  if (!terms_to_show(self, view, &n)) return nullptr;
  if (read(self, t) < 0) return nullptr;
  if (n > t.n) {  // a subclass's size() claims more terms than the lists hold
    PyErr_SetString(PyExc_IndexError, "list index out of range");
    return nullptr;
  }
  Ref parts(PyList_New(0));
  if (!parts) return nullptr;
  for (int i = 0; i < n; i++)
    if (term(parts.get(), i) < 0) return nullptr;
  return parts.release();
}

}  // namespace

PyObject *linexpr_str(PyObject *self) {
  LinTerms t;
  Ref parts(
      term_texts(self, as_linexpr(self)->coeffs_, linexpr_terms, t, [&t](PyObject *out, int k) {
        Ref name(PyObject_GetAttr(t.vars.at(k), ts.VarName));
        if (!name) return -1;
        return append_term(out, t.coeffs.at(k), name.get(), Py_None, false);
      }));
  if (!parts) return nullptr;
  Ref constant(PyFloat_FromDouble(as_linexpr(self)->constant_));
  if (!constant || append_term(parts.get(), constant.get(), Py_None, Py_None, false) < 0)
    return nullptr;
  Ref s(joined(parts.get()));
  if (!s) return nullptr;
  return wrap_text("LinExpr", s.get());
}

PyObject *quadexpr_str(PyObject *self) {
  QuadTerms t;
  Ref parts(
      term_texts(self, as_quadexpr(self)->coeffs_, quadexpr_terms, t, [&t](PyObject *out, int k) {
        Ref name1(PyObject_GetAttr(t.vars1.at(k), ts.VarName));
        if (!name1) return -1;
        Ref name2(PyObject_GetAttr(t.vars2.at(k), ts.VarName));
        if (!name2) return -1;
        int same = same_pair(t.vars1.at(k), t.vars2.at(k));
        if (same < 0) return -1;
        return append_term(out, t.coeffs.at(k), name1.get(), name2.get(), same);
      }));
  if (!parts) return nullptr;
  return expr_text_with_linear("QuadExpr", parts.get(), as_quadexpr(self)->lin_);
}

// The linear part's own text is embedded; a negative first linear term
// brings its own "- ", so only a positive one needs a "+ " joiner.
PyObject *expr_text_with_linear(const char *cls, PyObject *parts, PyObject *lin) {
  if (text_strings_ready() < 0) return nullptr;
  Ref held = Ref::borrow(lin);
  Ref lin_text(PyObject_Str(held.get()));
  if (!lin_text) return nullptr;
  const Py_ssize_t len = PyUnicode_GET_LENGTH(lin_text.get());
  if (len > 11) {
    Ref inner(PyUnicode_Substring(lin_text.get(), 10, len - 1));
    if (!inner) return nullptr;
    if (append(parts, ts.blank) < 0) return nullptr;
    const bool negative = PyUnicode_READ_CHAR(inner.get(), 0) == '-' &&
                          PyUnicode_GET_LENGTH(inner.get()) > 1 &&
                          PyUnicode_READ_CHAR(inner.get(), 1) == ' ';
    if (!negative) {
      if (append(parts, ts.plus_joiner) < 0) return nullptr;
    }
    if (append(parts, inner.get()) < 0) return nullptr;
  }
  Ref s(joined(parts));
  if (!s) return nullptr;
  return wrap_text(cls, s.get());
}

PyObject *repr_via_str(PyObject *self) {
  if (text_strings_ready() < 0) return nullptr;
  return PyObject_CallMethodObjArgs(self, ts.str, nullptr);
}

}  // namespace dz
