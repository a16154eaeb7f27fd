// A solve reads a snapshot of the model's store instead of a copy: the model
// is copied only when it is changed while a snapshot is held, the snapshot
// never moves, and results of the old problem are not kept. The store gives
// back its spare room before a solve.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <mutex>

#include "core/model.h"
#include "solve/snapshot_run.h"
#include "test_support.h"

namespace {

// A model of two variables with bounds [0, 1] and results to keep.
std::shared_ptr<tvx::Model> two_vars() {
  auto m = std::make_shared<tvx::Model>();
  m->env = std::make_shared<tvx::Env>();
  const double ub[] = {1.0, 1.0};
  EXPECT_EQ(
      m->edit().add_vars(2, 0, nullptr, nullptr, nullptr, nullptr, nullptr, ub, nullptr, nullptr),
      TVX_ERROR_OKAY);
  tvx::Results r;
  r.status = TVX_STATUS_OPTIMAL;
  r.x = std::vector<double>{0.5, 0.5};
  m->edit().set_results(std::move(r));
  return m;
}

TEST(Snapshot, EditsInPlaceWhileNoSnapshotIsHeld) {
  const auto m = two_vars();
  const tvx::Store *before = &m->store();
  m->edit().set_var_lb(0, 0.25);
  EXPECT_EQ(&m->store(), before);
}

TEST(Snapshot, ChangeWhileHeldCopiesTheModelAndLeavesTheSnapshot) {
  const auto m = two_vars();
  const std::shared_ptr<const tvx::Store> snap = m->snapshot();
  EXPECT_EQ(&m->store(), snap.get());
  // A change that keeps the results (a MIP start) still copies them along.
  m->edit().set_var_start(0, 1.0);
  EXPECT_NE(&m->store(), snap.get());
  EXPECT_EQ(m->store().revision(), snap->revision());
  ASSERT_TRUE(m->store().results().x.has_value());
  EXPECT_EQ(*m->store().results().x, (std::vector<double>{0.5, 0.5}));
  EXPECT_EQ(snap->vars().start[0], tvx::kUndefined);

  m->edit().set_var_ub(1, 7.0);
  EXPECT_EQ(snap->vars().ub[1], 1.0);
  EXPECT_EQ(m->store().vars().ub[1], 7.0);
  EXPECT_NE(m->store().revision(), snap->revision());
  EXPECT_FALSE(m->store().results().x.has_value());
  EXPECT_TRUE(snap->results().x.has_value());
}

// The run of a solve on a snapshot sees the problem as it was when it started,
// whatever is changed meanwhile (as a callback would, taking the lock). A
// result it could not keep is never reported as a success or a stop with an
// incumbent; a failure keeps its code.
TEST(Snapshot, RunKeepsResultsOnlyForTheProblemItSolved) {
  constexpr int kDiscarded = TVX_ERROR_NO_SOLN;
  struct Case {
    int ran;      // what the run returns
    int changed;  // what run_on_snapshot answers when the model changed meanwhile
  };
  for (const Case c :
       {Case{TVX_ERROR_OKAY, kDiscarded}, Case{TVX_ERROR_ABORT_TIME_LIMIT, kDiscarded},
        Case{TVX_ERROR_ABORT_CTRL_C, kDiscarded}, Case{TVX_ERROR_ABORT_SOLUTION_LIMIT, kDiscarded},
        Case{TVX_ERROR_MODEL_INPUT_ERROR, TVX_ERROR_MODEL_INPUT_ERROR},
        Case{TVX_ERROR_ABORT_SOLVER_NOT_AVAILABLE, TVX_ERROR_ABORT_SOLVER_NOT_AVAILABLE}}) {
    for (const bool change : {false, true}) {
      const auto m = two_vars();
      const tvx::Store *before = &m->store();
      bool kept = false;
      const int code = tvx::run_on_snapshot(
          *m, nullptr,
          [&](const tvx::SolveInput &input, tvx::SolveContext &) {
            EXPECT_EQ(&input.model(), before);
            if (change) {
              std::lock_guard<std::mutex> lock(m->mutex);
              m->edit().set_var_lb(0, 0.5);
            }
            EXPECT_EQ(input.model().vars().lb[0], 0.0);
            return c.ran;
          },
          [&](tvx::Store &) { kept = true; }, kDiscarded);
      EXPECT_EQ(code, change ? c.changed : c.ran) << c.ran << " " << change;
      EXPECT_EQ(kept, !change) << change;
      EXPECT_EQ(&m->store() == before, !change) << change;
      EXPECT_EQ(m->store().vars().lb[0], change ? 0.5 : 0.0);
    }
  }
}

// Before a solve the store gives back the room its arrays reserved for
// growth; nothing it holds changes, and it grows again afterwards.
TEST(Snapshot, TrimmingKeepsTheModel) {
  const auto m = two_vars();
  for (int k = 0; k < 37; ++k) {
    const int beg = 0, ind[] = {k % 2, 1 - k % 2};
    const double val[] = {1.0 + k, -2.0}, lo = -k, hi = k;
    ASSERT_EQ(m->edit().add_rows(1, 2, &beg, ind, val, &lo, &hi, nullptr), TVX_ERROR_OKAY);
  }
  const tvx::Store &s = m->store();
  const std::uint64_t revision = s.revision();
  const std::vector<double> lhs = s.rows().lhs;
  m->trim();
  EXPECT_EQ(s.revision(), revision);
  EXPECT_EQ(s.rows().lhs, lhs);
  EXPECT_EQ(s.rows().lhs.capacity(), lhs.size());
  for (int k = 0; k < 37; ++k) {
    ASSERT_EQ(s.rows().terms.length(k), 2);
    EXPECT_EQ(s.rows().terms.index(k)[0], k % 2);
    EXPECT_EQ(s.rows().terms.value(k)[0], 1.0 + k);
  }
  const int beg = 0, ind[] = {1};
  const double val[] = {3.0};
  ASSERT_EQ(m->edit().add_rows(1, 1, &beg, ind, val, nullptr, nullptr, nullptr), TVX_ERROR_OKAY);
  EXPECT_EQ(s.num_rows(), 38);
  EXPECT_EQ(s.rows().terms.value(37)[0], 3.0);
  // A store a solve still reads is left as it is.
  const std::shared_ptr<const tvx::Store> snap = m->snapshot();
  const std::size_t capacity = snap->rows().lhs.capacity();
  m->trim();
  EXPECT_EQ(snap->rows().lhs.capacity(), capacity);
}

}  // namespace
