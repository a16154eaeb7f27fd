// The callback of a CBC search (solve/callback.h), on CBC's own hooks:
//   - MIPNODE: a cut generator, which CBC calls at every node it does not
//     prune, once per round of cuts. The callback is called at its first
//     round and again after a round in which it added cuts; its cuts go
//     into that round, so the node is re-solved with them.
//   - cuts: every accepted cut joins a pool kept for the whole search; the
//     generator adds the pool's violated cuts at every node first. They are
//     rows of the LP CBC checks candidates with as well: CBC takes a
//     candidate as that LP's point with the integer columns fixed, which
//     must keep the cuts over the other columns as the node did.
//   - MIPSOL: every candidate incumbent of the main search is judged before
//     CBC may take it. It is rejected, without a call, when it violates a
//     cut of the pool; otherwise MIPSOL is called with it, and a cut given
//     then that cuts it off rejects it. A candidate that is a node's
//     relaxation is judged in that node's cut round, so a rejection only
//     re-solves the node: CBC's integrality test asks every object, and one
//     more object, the gate, calls such a point unsatisfied until it is
//     judged (should the round end first, the gate branches on it with a
//     one-way branch, and the candidate is judged there). A candidate
//     found otherwise (heuristics, solutions the callback gave) is judged in
//     the event CBC raises before it takes it, and killed when rejected;
//     no node is lost with it.
//   - branching: the integer objects take a request for the node that made
//     it and branch there first.
//   - solutions: completed and checked when given, and handed to CBC by a
//     heuristic of ours where CBC runs its own (never from inside an event
//     or a cut round, where a cutoff moved under the node aborts CBC), and
//     judged there as candidates; those still waiting when the search ends
//     are handed over then.
// Heuristics run sub-searches with copies of the generator and objects:
// those act only in the main search.
//
// The search's state and hooks are in callback_hooks.h, the objects CBC
// calls them from in callback_objects.h, and what a call reaches in
// callback_site.h.
#ifndef TARVEX_ENGINES_CBC_CALLBACK_SEARCH_H
#define TARVEX_ENGINES_CBC_CALLBACK_SEARCH_H

#include <memory>
#include <vector>

#include "engines/cbc/formulation.h"
#include "solve/engine.h"

class CbcModel;
class OsiSolverInterface;

namespace tvx {

class SearchHooks;

class CallbackSearch {
 public:
  // p.context.callback is set; lp is the formulation f as loaded (it
  // completes the solutions given), alive as long as this object.
  CallbackSearch(const Problem &p, const Formulation &f, const OsiSolverInterface &lp);
  ~CallbackSearch();
  CallbackSearch(const CallbackSearch &) = delete;
  CallbackSearch &operator=(const CallbackSearch &) = delete;

  // Before the search, after the model's own objects are added: the integer
  // objects that take requests, the gate, the generator and the heuristic
  // of the given solutions (callback_objects.h).
  void attach(CbcModel &cbc);
  // Before the search: MIPSTART, then start (the completed MIP start, may
  // be empty) and the solutions given there, judged and the best installed.
  void begin(const std::vector<double> &start);

  // From the main search's events. A candidate about to be taken: whether
  // it may be, judged unless it was already (false: kill it). CBC took a
  // new incumbent: kept as the callback's when it is news. A node ended.
  bool approve_candidate(const double *x);
  void record_incumbent(const double *x);
  void node_done();
  // After the search.
  void end();

 private:
  std::unique_ptr<SearchHooks> hooks_;
};

}  // namespace tvx

#endif
