#include "runtime/guard.h"

namespace dz {

void raise_from_cpp_exception() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc &) {
    PyErr_NoMemory();
  } catch (const std::length_error &) {
    PyErr_NoMemory();
  } catch (const std::exception &e) {
    PyErr_SetString(PyExc_SystemError, e.what());
  } catch (...) {
    PyErr_SetString(PyExc_SystemError, "unexpected C++ exception");
  }
}

}  // namespace dz
