// The objects through which the hooks of callback_search.h enter a CBC
// search: a cut generator (MIPNODE and the cut pool), the gate (candidates
// judged in their node's cut round), integer objects that branch on
// requests, and the heuristic that hands over the solutions given. Each
// acts through the search's hooks (callback_hooks.h), and only in the main
// search: heuristics run sub-searches with copies of them.
#ifndef TARVEX_ENGINES_CBC_CALLBACK_OBJECTS_H
#define TARVEX_ENGINES_CBC_CALLBACK_OBJECTS_H

#include <vector>

class CbcModel;
class CbcSimpleInteger;
class OsiObject;

namespace tvx {

class SearchHooks;

// Adds the objects to cbc, which keeps clones of them; the integer objects,
// one per column j with integer[j], replace CBC's own. Returns CBC's integer
// object of each column, null for the others.
std::vector<CbcSimpleInteger *> add_search_objects(CbcModel &cbc, SearchHooks &hooks,
                                                   const std::vector<char> &integer);

// Whether object is a gate (or a clone of one).
bool is_gate(const OsiObject *object);

}  // namespace tvx

#endif
