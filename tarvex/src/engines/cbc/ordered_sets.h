// Special ordered sets for the CBC search: members in order, any sign, a
// member counting as 0 below a magnitude far inside the answer check's
// tolerance. (CBC's own sets take negative values as 0 and assume every
// member can be 0 at any node, which integer branching breaks.)
#ifndef TARVEX_ENGINES_CBC_ORDERED_SETS_H
#define TARVEX_ENGINES_CBC_ORDERED_SETS_H

#include <vector>

class CbcModel;
class CbcObject;

namespace tvx {

// A new set over members (columns, in order) of type 1 or 2, identified by
// id among the model's sets; the caller owns it.
CbcObject *new_ordered_set(CbcModel *model, std::vector<int> members, int type, int id);

}  // namespace tvx

#endif
