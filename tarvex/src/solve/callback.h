// The callback of a solve (TVXsetcallbackfunc) as engines call it, and what
// its TVXcb* calls reach.
//
// An engine calls the function through CallbackContext::call, on the thread
// it solves on, one call at a time and never from inside a TVXcb* call.
// Each call gets a cbdata of its own, registered for the call's duration
// only, so a cbdata kept past its call is refused like any stale handle.
// While the call runs, the engine's CallbackSite answers the TVXcb* calls,
// one at a time: another thread may make them while the engine's thread
// waits in the callback.
//
// The site works in the problem as the search states it (the presolved
// space): the model's columns first and in order, then the engine's own.
// Model-space submissions are checked against the model's columns and then
// taken as they are; presolved ones against all columns.
//
// A function that returns non-zero stops the run at once: nothing more is
// called back, and the run ends with that code (a positive one as ERROR),
// so -9002 gives ABORT_CTRL_C with the incumbent kept.
#ifndef TARVEX_SOLVE_CALLBACK_H
#define TARVEX_SOLVE_CALLBACK_H

#include <mutex>
#include <vector>

#include "solve/context.h"
#include "tarvex.h"

namespace tvx {

// A cut sum(val[k] * x[ind[k]]) sense rhs over presolved columns: indices
// in range and distinct, values finite, sense '<', '>' or '='; rhs is not
// NaN (an infinite one is left to the site).
struct CutRow {
  std::vector<int> ind;
  std::vector<double> val;
  char sense = '<';
  double rhs = 0;
};

// What an engine offers during one call. The submissions return a
// TVXcbresult, or an error code below 0 (tarvex.h).
class CallbackSite {
 public:
  virtual ~CallbackSite() = default;
  virtual int model_columns() const = 0;  // the model's variables
  virtual int columns() const = 0;        // presolved columns, model_columns() or more
  // TVXcbget of what at this call's where; value as TVXcbget takes it.
  // Arrays handed out stay valid until the call returns.
  virtual int query(int what, void *value) = 0;
  virtual int cut(const CutRow &cut) = 0;
  // column < columns(); way < 0: down arm first; value finite.
  virtual int branch(int column, int way, double value) = 0;
  // values: one per presolved column, TVX_UNDEFINED where none is given,
  // the others finite. objval (may be null) receives the objective of the
  // point (completed where values are missing), TVX_UNDEFINED without one.
  virtual int solution(const std::vector<double> &values, double *objval) = 0;
};

// One call of the function: what a cbdata stands for.
struct CallbackCall {
  std::mutex mutex;              // serialises the TVXcb* calls
  CallbackSite *site = nullptr;  // guarded by mutex; null once the call returned
  int where = 0;
};

// The callback of one solve (or IIS search), created by the snapshot run (snapshot_run.h).
class CallbackContext {
 public:
  // run: the outermost run, which a non-zero result stops.
  CallbackContext(TVXcallback function, void *usrdata, TVXmodel *handle, SolveContext &run)
      : function_(function), usrdata_(usrdata), handle_(handle), run_(run) {}
  CallbackContext(const CallbackContext &) = delete;
  CallbackContext &operator=(const CallbackContext &) = delete;

  // Calls the function at where (a TVXcbwhere) with site answering its
  // calls; nothing once the run is asked to stop. Returns the function's
  // result (0 when not called). An exception thrown by the function counts
  // as ERROR.
  int call(int where, CallbackSite &site);

 private:
  TVXcallback function_;
  void *usrdata_;
  TVXmodel *handle_;
  SolveContext &run_;
};

// Whether a callback is running on this thread: a solve started there would
// wait for the search it is called from.
bool inside_callback() noexcept;

// The TVXcb* submissions on a running call: the checks every engine shares,
// then the site. presolved: indices are presolved columns, else the
// model's variables.
int submit_cut(CallbackCall &call, bool presolved, int n, const int *ind, const double *val,
               char sense, double rhs);
int submit_branch(CallbackCall &call, bool presolved, int index, int way, double value);
int submit_solution(CallbackCall &call, bool presolved, const double *sol, double *objval);

}  // namespace tvx

#endif
