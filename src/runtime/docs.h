// Docstring layout of the expression classes' methods: sections at 8
// blanks, their lines at 12.
#ifndef DIDAZODA_EXPR_DOCS_H
#define DIDAZODA_EXPR_DOCS_H

#define EXPR_DOC_HEAD(signature, purpose)                                                     \
  "\n        SIGNATURE:\n            " signature "\n\n        PURPOSE:\n            " purpose \
  "\n\n        ARGUMENTS:\n"
#define EXPR_DOC_ARG(name, rule, text) \
  "            " name "\n            " rule "\n            " text "\n"
#define EXPR_DOC_NEXT "\n"
#define EXPR_DOC_NONE "            None.\n"
#define EXPR_DOC_EXAMPLE "\n        EXAMPLE:\n"
#define EXPR_DOC_NOTE "\n        NOTE:\n"
#define EXPR_DOC_LINE(text) "            " text "\n"
#define EXPR_DOC_END "\n        "

#endif
