// Binding a class's whole table of member functions.
#ifndef DIDAZODA_RUNTIME_BIND_TABLE_H
#define DIDAZODA_RUNTIME_BIND_TABLE_H

#include <cstddef>

#include "runtime/decorators.h"

namespace dz {

// bind_function for every spec of the table, in order: 0, or -1 at the first failure.
template <std::size_t N>
int bind_functions(PyObject *dict, const FuncSpec (&specs)[N]) {
  for (const FuncSpec &spec : specs)
    if (!bind_function(dict, &spec)) return -1;
  return 0;
}

}  // namespace dz

#endif  // DIDAZODA_RUNTIME_BIND_TABLE_H
