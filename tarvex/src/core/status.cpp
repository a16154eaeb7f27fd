#include "core/status.h"

#include <new>

namespace tvx {

int current_exception_status() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc &) {
    return TVX_ERROR_NOMEMORY;
  } catch (...) {
    return TVX_ERROR_ERROR;
  }
}

}  // namespace tvx
