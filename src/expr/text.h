// Text of expressions: one-line algebraic forms such as
// "<LinExpr: 2.0 * x - y + 3.0>", built from the variables' names (their
// VarName attribute, so the model must be alive).
#ifndef DIDAZODA_EXPR_TEXT_H
#define DIDAZODA_EXPR_TEXT_H

#include "runtime/ref.h"

namespace dz {

// The text of one term, beginning with its joiner (" + " or " - "), or ""
// for a zero coefficient. coeff: a number, or a coefficient matrix (any
// object with a two-entry shape), shown as "(rows, cols) * name". name,
// name2: str or None (TypeError "Expected unicode, got ..." otherwise). A
// coefficient of magnitude 1 is left out in front of a non-empty name;
// square shows name2 as " ^ 2". New reference.
PyObject *term_to_str(PyObject *coeff, PyObject *name, PyObject *name2 = Py_None,
                      bool square = false);

// s itself up to 250 characters; else its first 123, " ... ", its last 123.
PyObject *shorten(PyObject *s);

// str() of a LinExpr or QuadExpr (subclasses too).
PyObject *linexpr_str(PyObject *self);
PyObject *quadexpr_str(PyObject *self);

// "<cls: ...>" from the texts of an expression's terms (parts, a list of
// str, each beginning with its joiner; appended to) followed by the text of
// its linear part lin (a LinExpr), joined with a single sign between them.
PyObject *expr_text_with_linear(const char *cls, PyObject *parts, PyObject *lin);

// self.__str__(), looked up on the object: the repr of the expressions and
// of TempConstr.
PyObject *repr_via_str(PyObject *self);

}  // namespace dz

#endif
