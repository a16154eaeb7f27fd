// The IIS search of iis.h: candidates, the deletion filter, and the
// feasibility questions it asks the dispatcher.
#include "solve/iis.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "core/status.h"
#include "solve/dispatch.h"

namespace tvx {
namespace {

using Clock = std::chrono::steady_clock;

using Member = IisMember;

// Every element with something to relax, variables first, each kind in
// index order. A bound on the wrong side of infinity restricts too.
std::vector<Member> members_of(const Store &s) {
  std::vector<Member> out;
  for (int j = 0; j < s.num_vars(); ++j) {
    if (finite_or_inf(s.vars().lb[to_size(j)]) > -kInf ||
        finite_or_inf(s.vars().ub[to_size(j)]) < kInf || s.vars().type[to_size(j)] == 'B') {
      out.push_back({true, j});
    }
  }
  for (int i = 0; i < s.num_rows(); ++i) {
    if (finite_or_inf(s.rows().lhs[to_size(i)]) > -kInf ||
        finite_or_inf(s.rows().rhs[to_size(i)]) < kInf) {
      out.push_back({false, i});
    }
  }
  return out;
}

bool apart(double lower, double upper, double tol) {
  if (lower == kInf || upper == -kInf) return true;
  return lower > upper + tol * (1 + std::max(std::fabs(lower), std::fabs(upper)));
}

// A member that no value satisfies, whatever the rest of the model says.
bool alone_infeasible(const Store &s, const Member &m, double tol) {
  if (m.var) {
    const char type = s.vars().type[to_size(m.index)];
    if (is_semi_type(type)) return false;  // 0 is always allowed
    double lo = s.vars().solve_lb(m.index), hi = s.vars().solve_ub(m.index);
    if (is_integral_type(type)) {
      lo = integer_at_or_above(lo, tol);
      hi = integer_at_or_below(hi, tol);
    }
    return apart(lo, hi, tol);
  }
  const double lhs = finite_or_inf(s.rows().lhs[to_size(m.index)]);
  const double rhs = finite_or_inf(s.rows().rhs[to_size(m.index)]);
  if (apart(lhs, rhs, tol)) return true;
  const bool empty = s.rows().terms.length(m.index) == 0 && s.psd_part(m.index) == nullptr;
  return empty && (lhs > tol || rhs < -tol);
}

enum class Answer { Feasible, Infeasible, Failed };

class Search {
 public:
  Search(const SolveInput &input, SolveContext &context, const Engines &engines,
         const IisOptions &options)
      : original_(input.model()),
        engines_(engines),
        options_(options),
        work_model_(std::make_shared<Store>(input.model())),
        work_{work_model_, input.params, std::string()},
        log_(context.log),
        quiet_(std::string(), &context),
        max_time_(input.params[Param::MaxTime]),
        tol_(input.params[Param::SPX_PrimalTolerance]) {
    Store &w = *work_model_;
    for (int j = 0; j < w.num_vars(); ++j) {
      if (w.vars().obj[to_size(j)] != 0) w.set_var_obj(j, 0);
    }
    w.clear_qterms();
    w.set_objcon(0);
    w.set_sense(TVX_MINIMIZE);
    // A cutoff would make feasible subsystems look infeasible.
    work_.params[Param::MIP_Cutoff] = param_def(Param::MIP_Cutoff).defval;
  }

  IisOutcome run() {
    const std::vector<Member> all = members_of(work_.model());
    log_.line("Computing an IIS over " + std::to_string(all.size()) + " bounded elements.");
    switch (ask()) {
      case Answer::Failed:
        return finish();
      case Answer::Feasible:
        code_ = TVX_ERROR_IIS_FEASIBLE;
        log_.line("The model is feasible: it has no IIS.");
        return finish();
      case Answer::Infeasible:
        break;
    }

    std::vector<Member> list = all;
    std::size_t block = std::max<std::size_t>(1, all.size() / 2);
    std::vector<Member> candidate = find_candidate(all);
    if (!candidate.empty()) {
      std::vector<char> chosen_col(to_size(work_.model().num_vars()), 0);
      std::vector<char> chosen_row(to_size(work_.model().num_rows()), 0);
      for (const Member &m : candidate) (m.var ? chosen_col : chosen_row)[to_size(m.index)] = 1;
      const auto chosen = [&](const Member &m) {
        return (m.var ? chosen_col : chosen_row)[to_size(m.index)] != 0;
      };
      for (const Member &m : all) {
        if (!chosen(m)) relax(m);
      }
      const Answer a = ask();
      if (a == Answer::Failed) return finish();
      if (a == Answer::Infeasible) {
        // Each member of a good candidate is usually needed: test them
        // one at a time.
        list = std::move(candidate);
        block = 1;
      } else {
        log_.line("The candidate subsystem is feasible; searching the whole model.");
        for (const Member &m : all) {
          if (!chosen(m)) restore(m);
        }
      }
    }

    std::vector<Member> kept;
    if (!filter(list, block, kept)) return finish();
    if (kept.empty()) {
      // Relaxing every bound and side left it infeasible: the cause is
      // nothing an IIS can name.
      log_.line("The infeasibility remains with every bound relaxed.");
      code_ = TVX_ERROR_IIS_NUMERIC;
      return finish();
    }
    out_.col.assign(to_size(original_.num_vars()), 0);
    out_.row.assign(to_size(original_.num_rows()), 0);
    int cols = 0, rows = 0;
    for (const Member &m : kept) {
      (m.var ? out_.col : out_.row)[to_size(m.index)] = 1;
      ++(m.var ? cols : rows);
    }
    log_.line("IIS: " + std::to_string(cols) + " variables and " + std::to_string(rows) + " rows.");
    return finish();
  }

 private:
  IisOutcome finish() {
    out_.code = code_;
    out_.solves = solves_;
    if (code_ != TVX_ERROR_OKAY) {
      out_.col.clear();
      out_.row.clear();
    }
    log_.line(std::to_string(solves_) + " feasibility solves.");
    return std::move(out_);
  }

  double elapsed() const { return std::chrono::duration<double>(Clock::now() - started_).count(); }
  // What is left of MaxTime, or kInfinity without a limit.
  double remaining() const { return max_time_ < kInfinity ? max_time_ - elapsed() : kInfinity; }

  // Whether the members now enforced can hold together.
  Answer ask() {
    const double left = remaining();
    if (left <= 0) {
      code_ = TVX_ERROR_ABORT_TIME_LIMIT;
      return Answer::Failed;
    }
    work_.params[Param::MaxTime] = left;
    ++solves_;
    const SolveOutcome out = solve(work_, quiet_, engines_);
    const int status = out.results.status;
    // The objective is zero, so unbounded means feasible (a PSD objective
    // is left as it is) and so does any point found before a limit.
    if (status == TVX_STATUS_OPTIMAL || status == TVX_STATUS_SUB_OPTIMAL ||
        status == TVX_STATUS_UNBOUNDED) {
      return Answer::Feasible;
    }
    if (out.code == TVX_ERROR_OKAY &&
        (status == TVX_STATUS_INFEASIBLE || status == TVX_STATUS_INF_OR_UBD)) {
      return Answer::Infeasible;
    }
    switch (out.code) {
      case TVX_ERROR_OKAY:
      case TVX_ERROR_SIMPLEX_NUMERIC:
      case TVX_ERROR_INTERIOR_NUMERIC:
        code_ = TVX_ERROR_IIS_NUMERIC;
        break;
      default:
        code_ = out.code;
        break;
    }
    log_.line("A feasibility solve ended without an answer; the IIS search stops.");
    return Answer::Failed;
  }

  std::vector<Member> find_candidate(const std::vector<Member> &all) {
    for (const Member &m : all) {
      if (alone_infeasible(work_.model(), m, tol_)) return {m};
    }
    const Store &w = *work_model_;
    const bool lp =
        w.num_sos() == 0 && w.num_genconstrs() == 0 && w.num_psd_vars() == 0 &&
        w.num_psd_rows() == 0 &&
        std::all_of(w.vars().type.begin(), w.vars().type.end(), [](char t) { return t == 'C'; });
    const Engine *engine = engines_.linear;
    if (!options_.engine_candidate || !lp || engine == nullptr) return {};
    std::vector<Member> candidate = engine->iis_candidate(w, quiet_, remaining());
    log_.line(std::string(engine->name()) + " proposes a subsystem of " +
              std::to_string(candidate.size()) + " elements.");
    return candidate;
  }

  void relax(const Member &m) {
    Store &w = *work_model_;
    if (!m.var) {
      w.set_row_lhs(m.index, -kInfinity);
      w.set_row_rhs(m.index, kInfinity);
      return;
    }
    w.set_var_lb(m.index, -kInfinity);
    w.set_var_ub(m.index, kInfinity);
    switch (original_.vars().type[to_size(m.index)]) {
      case 'B':
      case 'N':
        w.set_var_type(m.index, 'I');
        break;
      case 'S':
        w.set_var_type(m.index, 'C');
        break;
      default:
        break;
    }
  }

  void restore(const Member &m) {
    Store &w = *work_model_;
    if (!m.var) {
      w.set_row_lhs(m.index, original_.rows().lhs[to_size(m.index)]);
      w.set_row_rhs(m.index, original_.rows().rhs[to_size(m.index)]);
      return;
    }
    w.set_var_lb(m.index, original_.vars().lb[to_size(m.index)]);
    w.set_var_ub(m.index, original_.vars().ub[to_size(m.index)]);
    w.set_var_type(m.index, original_.vars().type[to_size(m.index)]);
  }

  // The deletion filter over list, whose members are all enforced on entry
  // and infeasible together; every other member is already relaxed. Fills
  // kept with the members found needed; false when a question failed.
  bool filter(const std::vector<Member> &list, std::size_t block, std::vector<Member> &kept) {
    std::size_t pos = 0;
    while (pos < list.size()) {
      const std::size_t k = std::min(block, list.size() - pos);
      for (std::size_t t = pos; t < pos + k; ++t) relax(list[t]);
      const Answer a = ask();
      if (a == Answer::Failed) return false;
      if (a == Answer::Infeasible) {
        pos += k;  // not needed: stays relaxed
        block = 2 * k;
        continue;
      }
      for (std::size_t t = pos; t < pos + k; ++t) restore(list[t]);
      if (k == 1) {
        kept.push_back(list[pos]);
        ++pos;
      } else {
        block = k / 2;
      }
    }
    return true;
  }

  const Store &original_;
  const Engines &engines_;
  const IisOptions &options_;
  // The model the search relaxes, shared with work_ (which no solve holds
  // while the search changes it).
  std::shared_ptr<Store> work_model_;
  SolveInput work_;
  LogFile &log_;
  // The feasibility solves log nothing, stop when the search is asked to,
  // and call its callback (a MIP's solves are searches like any other).
  SolveContext quiet_;
  const double max_time_;
  const double tol_;
  const Clock::time_point started_ = Clock::now();
  int code_ = TVX_ERROR_OKAY;
  int solves_ = 0;
  IisOutcome out_;
};

}  // namespace

IisOutcome compute_iis(const SolveInput &input, SolveContext &context, const Engines &engines,
                       const IisOptions &options) {
  try {
    Search search(input, context, engines, options);
    return search.run();
  } catch (...) {
    IisOutcome out;
    out.code = current_exception_status();
    return out;
  }
}

IisOutcome compute_iis(const SolveInput &input, const Engines &engines, const IisOptions &options) {
  SolveContext context(input.logfile);
  return compute_iis(input, context, engines, options);
}

}  // namespace tvx
