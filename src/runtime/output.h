// Lines the module prints go through the built-in print, so they follow the
// current sys.stdout.
#ifndef DIDAZODA_RUNTIME_OUTPUT_H
#define DIDAZODA_RUNTIME_OUTPUT_H

#include "runtime/ref.h"

namespace dz {

// print(text); 0, or -1 with an exception.
int print_line(PyObject *text);

}  // namespace dz

#endif
