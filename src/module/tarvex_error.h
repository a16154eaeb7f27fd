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

// Raises TarvexError(code) for a library status, with the detail the
// library gives for it (TVXerrordetail) after the code's text; always
// returns nullptr. Call it before any other library call, which would
// clear the detail.
PyObject *raise_code(int code);
// The same with a detail of the module's own ("" or null: none), for the
// module's checks that stand in for the library's.
PyObject *raise_code_detail(int code, const char *detail);
// Raises TarvexError(text), errno -1; always returns nullptr.
PyObject *raise_text(const char *text);

int tarvexerror_prepare();
int tarvexerror_bind(PyObject *cls_dict);

}  // namespace dz

#endif
