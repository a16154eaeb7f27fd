#include "runtime/utf8.h"

#include <cstring>

#include "runtime/sizes.h"

namespace dz {

// Both converters call exactly what the bytes/str constructors call for an
// explicit encoding, so results and error texts match the Python spellings;
// str2chars adds the one refusal a C string needs.

PyObject *str2chars(PyObject *text) {
  if (text == nullptr) {
    PyErr_BadInternalCall();
    return nullptr;
  }
  if (!PyUnicode_Check(text)) {
    // Rare path: let the constructor raise its own error text, which is
    // not the same in every Python version.
    return PyObject_CallFunction(reinterpret_cast<PyObject *>(&PyBytes_Type), "Os", text, "UTF-8");
  }
  Ref bytes(PyUnicode_AsUTF8String(text));
  if (bytes &&
      std::memchr(PyBytes_AS_STRING(bytes.get()), '\0', to_size(PyBytes_GET_SIZE(bytes.get())))) {
    PyErr_SetString(PyExc_ValueError, "embedded null character");
    return nullptr;
  }
  return bytes.release();
}

PyObject *chars2str(PyObject *data) {
  if (data == nullptr) {
    PyErr_BadInternalCall();
    return nullptr;
  }
  return PyUnicode_FromEncodedObject(data, "UTF-8", nullptr);
}

PyObject *chars2str_c(const char *s) {
  if (s == nullptr) return PyUnicode_FromStringAndSize("", 0);
  return PyUnicode_DecodeUTF8(s, py_size(std::strlen(s)), nullptr);
}

}  // namespace dz
