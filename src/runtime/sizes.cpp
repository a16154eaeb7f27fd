#include "runtime/sizes.h"

namespace dz {

bool raise_int32_overflow() {
  PyErr_SetString(PyExc_OverflowError, "value too large to convert to int");
  return false;
}

}  // namespace dz
