// Statuses: their texts, the mapping of exceptions to them, and the detail
// of a failure; shared by every folder.
#ifndef TARVEX_CORE_STATUS_H
#define TARVEX_CORE_STATUS_H

#include <string>

#include "tarvex.h"

namespace tvx {

// The failures the library's C++ code returns most, by their meaning there.
// Success has one spelling, TVX_ERROR_OKAY.
constexpr int kBadArgument = TVX_ERROR_INVALID_ARGUMENT;  // a caller's fault
constexpr int kBadData = TVX_ERROR_MODEL_INPUT_ERROR;     // a value the model cannot hold
constexpr int kBadFormat = TVX_ERROR_FORMAT_ERROR;        // a file's content or suffix

// The text of a status code (TVXexplainerror): a literal, valid for ever;
// "Unknown error code" for a code the library does not have.
const char *status_text(int code) noexcept;

// Maps the exception in flight to a status (std::bad_alloc: NOMEMORY, any
// other: the generic failure); call only inside a catch block.
int current_exception_status() noexcept;

// The detail of a failure (TVXerrordetail): what the code's own text does
// not say, such as the row, variable or value refused. It is kept per
// thread, with the code it explains, until the thread's next call of a
// function that returns a status begins (c_boundary.h clears it).
//
// Records detail for code and returns code, for `return fail_with(...)`.
// The last record of a call stands.
int fail_with(int code, std::string detail) noexcept;
void clear_error_detail() noexcept;
// The detail recorded with code, or "" when the last record is another
// code's or there is none; valid until the next record or clear.
const char *error_detail(int code) noexcept;

// An element as a detail names it: "variable 3", "row 0", "the model", ...;
// kind is a TVXattrkind.
std::string element_text(int kind, int index);
// A number as a detail shows it: "nan", "inf", "-inf", "1e+16", "0.25".
std::string number_text(double value);
// A character as a detail shows it: 'Q', or its code when not printable.
std::string char_text(char c);

}  // namespace tvx

#endif
