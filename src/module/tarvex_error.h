// TarvexError and the ways errors leave the module.
#ifndef DIDAZODA_MODULE_TARVEX_ERROR_H
#define DIDAZODA_MODULE_TARVEX_ERROR_H

#include "runtime/ref.h"

namespace dz {

struct TarvexErrorObject {
  PyBaseExceptionObject base;
  int errno_;
  PyObject *message_;  // exact str, or NULL before __init__ ran
};

extern PyTypeObject TarvexError_Type;

// Raises TarvexError(code) for a library status; always returns nullptr.
PyObject *raise_code(int code);
// Raises TarvexError(text), errno -1; always returns nullptr.
PyObject *raise_text(const char *text);

// Prints the pending exception with its traceback and hands it to the
// unraisable hook under the given context text.
void write_unraisable(const char *context);

int tarvexerror_prepare();
int tarvexerror_bind(PyObject *cls_dict);

}  // namespace dz

#endif
