// What a callback reaches during a CBC search: the site of each call
// (solve/callback.h), which answers TVXcbget's what-codes from the search's
// state (callback_hooks.h) and passes the submissions on to its hooks.
#ifndef TARVEX_ENGINES_CBC_CALLBACK_SITE_H
#define TARVEX_ENGINES_CBC_CALLBACK_SITE_H

#include "solve/callback.h"

class OsiSolverInterface;

namespace tvx {

class SearchHooks;

// Calls the callback at where (a TVXcbwhere) with a site over hooks. node:
// the node's relaxation, at MIPNODE; candidate: the point judged, at MIPSOL.
void call_with_site(CallbackContext &callback, SearchHooks &hooks, int where,
                    const OsiSolverInterface *node = nullptr, const double *candidate = nullptr);

}  // namespace tvx

#endif
