#include "core/status.h"

#include <cmath>
#include <cstdio>
#include <new>
#include <utility>

namespace tvx {
namespace {

struct ErrorDetail {
  int code = TVX_ERROR_OKAY;
  std::string text;
};

ErrorDetail &error_detail_slot() noexcept {
  static thread_local ErrorDetail detail;
  return detail;
}

}  // namespace

int current_exception_status() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc &) {
    return TVX_ERROR_NOMEMORY;
  } catch (...) {
    return TVX_ERROR_ERROR;
  }
}

int fail_with(int code, std::string detail) noexcept {
  ErrorDetail &slot = error_detail_slot();
  slot.code = code;
  slot.text = std::move(detail);  // a move: no allocation
  return code;
}

void clear_error_detail() noexcept {
  ErrorDetail &slot = error_detail_slot();
  slot.code = TVX_ERROR_OKAY;
  slot.text.clear();
}

const char *error_detail(int code) noexcept {
  const ErrorDetail &slot = error_detail_slot();
  return code != TVX_ERROR_OKAY && slot.code == code ? slot.text.c_str() : "";
}

std::string element_text(int kind, int index) {
  const std::string number = std::to_string(index);
  switch (kind) {
    case TVX_ATTRKIND_MODEL:
      return "the model";
    case TVX_ATTRKIND_VAR:
      return "variable " + number;
    case TVX_ATTRKIND_SOS:
      return "SOS " + number;
    case TVX_ATTRKIND_GENCONSTR:
      return "indicator constraint " + number;
    case TVX_ATTRKIND_PSDVAR:
      return "PSD variable " + number;
    default:
      return "row " + number;
  }
}

std::string number_text(double value) {
  if (std::isnan(value)) return "nan";  // whatever its sign bit
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

std::string char_text(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 0x20 && u < 0x7f) return std::string("'") + c + "'";
  return "the character of code " + std::to_string(u);
}

}  // namespace tvx
