// Status helpers shared by every exported function.
#ifndef TARVEX_STATUS_H
#define TARVEX_STATUS_H

#include "tarvex.h"

namespace tvx {

// What a declared function answers for a valid handle until it is built: the
// generic failure, so the module raises instead of trusting unset outputs.
constexpr int kUnbuilt = TVX_ERROR_ERROR;

// Maps the exception in flight to a status; call only inside a catch block.
// Every exported body is one try block, and those returning a status end in
// `catch (...) { return current_exception_status(); }`, so no exception
// crosses the C boundary.
int current_exception_status() noexcept;

}  // namespace tvx

#endif
