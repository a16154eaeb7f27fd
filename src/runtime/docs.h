// Docstring layout of every documented member: section titles at 8 blanks,
// their lines at 12, an argument as its name, a rule under it and its text.
#ifndef DIDAZODA_RUNTIME_DOCS_H
#define DIDAZODA_RUNTIME_DOCS_H

#define DOC_HEAD(signature, purpose)                                                          \
  "\n        SIGNATURE:\n            " signature "\n\n        PURPOSE:\n            " purpose \
  "\n\n        ARGUMENTS:\n"
#define DOC_ARG(name, rule, text) \
  "            " name "\n            " rule "\n            " text "\n"
#define DOC_NEXT "\n"
#define DOC_NONE "            None.\n"
#define DOC_EXAMPLE "\n        EXAMPLE:\n"
#define DOC_NOTE "\n        NOTE:\n"
#define DOC_LINE(text) "            " text "\n"
#define DOC_END "\n        "
// A whole method docstring whose example lines are already indented.
#define DOC(signature, purpose, arguments, example) \
  DOC_HEAD(signature, purpose) arguments DOC_EXAMPLE example "\n" DOC_END
// A property's docstring: one line of text.
#define DOC_PROPERTY(text) "\n        " text "\n" DOC_END

#endif
