// Statuses and the mapping of exceptions to them, shared by every folder.
#ifndef TARVEX_CORE_STATUS_H
#define TARVEX_CORE_STATUS_H

#include "tarvex.h"

namespace tvx {

// The statuses the library's C++ code returns most, by their meaning there.
constexpr int kOk = TVX_ERROR_OKAY;
constexpr int kBadArgument = TVX_ERROR_INVALID_ARGUMENT;  // a caller's fault
constexpr int kBadData = TVX_ERROR_MODEL_INPUT_ERROR;     // a value the model cannot hold
constexpr int kBadFormat = TVX_ERROR_FORMAT_ERROR;        // a file's content or suffix

// Maps the exception in flight to a status (std::bad_alloc: NOMEMORY, any
// other: the generic failure); call only inside a catch block.
int current_exception_status() noexcept;

}  // namespace tvx

#endif
