// Text crossing between Python and the solver library, which speaks
// NUL-terminated UTF-8 only (strict: no error handler is ever applied).
#ifndef DIDAZODA_RUNTIME_UTF8_H
#define DIDAZODA_RUNTIME_UTF8_H

#include "runtime/ref.h"

namespace dz {

// bytes(text, "UTF-8"): new reference, or NULL with the same exception
// (TypeError for a non-str, UnicodeEncodeError for a lone surrogate).  Keep
// the result alive while the library reads PyBytes_AS_STRING of it.  A text
// holding a NUL raises ValueError "embedded null character", as open() does:
// the library would see it cut there.
PyObject *str2chars(PyObject *text);

// str(data, "UTF-8") for a bytes-like `data`: new reference, or NULL with the
// same exception (UnicodeDecodeError, TypeError for a str or non-buffer).
PyObject *chars2str(PyObject *data);

// Decodes a NUL-terminated string returned by the library: new reference, or
// NULL with UnicodeDecodeError.  A NULL pointer gives "" so callers need no
// separate check for an absent text.
PyObject *chars2str_c(const char *s);

}  // namespace dz

#endif
