#include "tarvex.h"

extern "C" TVX_API void TVXversion(int *major, int *minor, int *technical) {
  try {
    if (major) *major = 1;
    if (minor) *minor = 0;
    if (technical) *technical = 1;
  } catch (...) {
  }
}
