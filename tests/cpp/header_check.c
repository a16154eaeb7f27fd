/* Compiled as strict C99: the interface header must stay plain C. */
#include "tarvex.h"

int tarvex_header_check(void);

int tarvex_header_check(void) {
  TVXcallback callback = 0;
  enum TVXerrorcode code = TVX_ERROR_OKAY;
  return (int)code + (callback == 0) + TVX_MAX_STRLEN * 0 + TVX_ATTRKIND_PSDCONSTR * 0;
}
