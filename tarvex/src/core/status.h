// Status helpers shared by every exported function.
#ifndef TARVEX_STATUS_H
#define TARVEX_STATUS_H

#include "tarvex.h"

namespace tvx {

// What a declared function answers for a valid handle until it is built: the
// generic failure, so the module raises instead of trusting unset outputs.
constexpr int kUnbuilt = TVX_ERROR_ERROR;

// Maps the exception in flight to a status (std::bad_alloc: NOMEMORY, any
// other: the generic failure); call only inside a catch block.
int current_exception_status() noexcept;

}  // namespace tvx

#endif
