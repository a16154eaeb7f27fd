#include "solve/callback.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "core/numeric.h"
#include "core/registry.h"

namespace tvx {
namespace {

thread_local int t_callbacks_running = 0;

// Marks this thread as running a callback for its lifetime.
class RunningMark {
 public:
  RunningMark() { ++t_callbacks_running; }
  ~RunningMark() { --t_callbacks_running; }
  RunningMark(const RunningMark &) = delete;
  RunningMark &operator=(const RunningMark &) = delete;
};

// Registers call for its function's duration; ends the call (waiting for a
// TVXcb* call under way on another thread) before the cbdata goes.
class Registration {
 public:
  explicit Registration(const std::shared_ptr<CallbackCall> &call)
      : call_(call), cbdata_(register_callback(call)) {}
  ~Registration() {
    {
      std::lock_guard<std::mutex> lock(call_->mutex);
      call_->site = nullptr;
    }
    unregister_callback(cbdata_);
  }
  Registration(const Registration &) = delete;
  Registration &operator=(const Registration &) = delete;
  void *cbdata() const { return cbdata_; }

 private:
  std::shared_ptr<CallbackCall> call_;
  void *cbdata_;
};

}  // namespace

int CallbackContext::call(int where, CallbackSite &site) {
  if (run_.stop_requested()) return TVX_ERROR_OKAY;
  auto call = std::make_shared<CallbackCall>();
  call->site = &site;
  call->where = where;
  int result;
  {
    Registration registration(call);
    RunningMark running;
    try {
      result = function_(handle_, registration.cbdata(), where, usrdata_);
    } catch (...) {
      result = TVX_ERROR_ERROR;
    }
  }
  if (result != TVX_ERROR_OKAY) run_.request_stop(result < 0 ? result : TVX_ERROR_ERROR);
  return result;
}

bool inside_callback() noexcept { return t_callbacks_running > 0; }

int submit_cut(CallbackCall &call, bool presolved, int n, const int *ind, const double *val,
               char sense, double rhs) {
  CallbackSite &site = *call.site;
  const int limit = presolved ? site.columns() : site.model_columns();
  if (n < 0 || (n > 0 && (ind == nullptr || val == nullptr)) || std::isnan(rhs)) {
    return TVX_ERROR_CB_INVALID_SUBMISSION;
  }
  if (sense != '<' && sense != '>' && sense != '=') {
    return TVX_ERROR_CB_INVALID_SUBMISSION;
  }
  std::vector<std::pair<int, double>> terms;
  terms.reserve(to_size(n));
  for (int k = 0; k < n; ++k) {
    if (ind[k] < 0 || ind[k] >= limit || !std::isfinite(val[k])) {
      return TVX_ERROR_CB_INVALID_SUBMISSION;
    }
    terms.emplace_back(ind[k], val[k]);
  }
  std::sort(terms.begin(), terms.end(),
            [](const std::pair<int, double> &a, const std::pair<int, double> &b) {
              return a.first < b.first;
            });
  CutRow cut;
  cut.sense = sense;
  cut.rhs = rhs;
  for (const auto &t : terms) {
    if (!cut.ind.empty() && cut.ind.back() == t.first) {
      cut.val.back() += t.second;
    } else {
      cut.ind.push_back(t.first);
      cut.val.push_back(t.second);
    }
  }
  return site.cut(cut);
}

int submit_branch(CallbackCall &call, bool presolved, int index, int way, double value) {
  CallbackSite &site = *call.site;
  const int limit = presolved ? site.columns() : site.model_columns();
  if (index < 0 || index >= limit || !std::isfinite(value)) {
    return TVX_ERROR_CB_INVALID_SUBMISSION;
  }
  return site.branch(index, way, value);
}

int submit_solution(CallbackCall &call, bool presolved, const double *sol, double *objval) {
  CallbackSite &site = *call.site;
  if (sol == nullptr) return TVX_ERROR_CB_INVALID_SUBMISSION;
  const int given = presolved ? site.columns() : site.model_columns();
  std::vector<double> values(to_size(site.columns()), TVX_UNDEFINED);
  for (int j = 0; j < given; ++j) {
    if (sol[j] != TVX_UNDEFINED && !std::isfinite(sol[j])) {
      return TVX_ERROR_CB_INVALID_SUBMISSION;
    }
    values[to_size(j)] = sol[j];
  }
  return site.solution(values, objval);
}

}  // namespace tvx
