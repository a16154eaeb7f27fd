// Bounded questions about a standard form (formulation.h), for what a run
// of the form itself leaves open. DSDP works on (D) and judges (P) through
// it; when (D) has no interior (a zero objective, or one constant on part of
// the cone) its verdicts on (P) mean nothing. Each question's (D) has an
// interior and its (P) is bounded, so DSDP's verdict on it holds:
//   - feasibility: the rows, min tr X + sum z. Bounded below by 0, y = 0
//     strictly inside (D); infeasible exactly when the form is;
//   - ball: the form plus the row tr X + sum z + s = radius (s >= 0). A
//     compact (P); when its row's dual is 0 the ball does not bind and its
//     optimum is the form's (the form is convex);
//   - ray: the objective over directions, rows with side 0 plus
//     tr D + sum d = 1. A compact (P); a negative optimum is an improving
//     direction of the form.
// The LP columns and rows of the form keep their numbers; a question's own
// column and row come after them. Each question is asked at a scale that is
// the form's divided by its largest side (b) and cost (c and the C's), which
// leaves its answer as it is: a point of the question times the first is
// one of the form, its y times the second the form's y.
#ifndef TARVEX_ENGINES_DSDP_QUESTIONS_H
#define TARVEX_ENGINES_DSDP_QUESTIONS_H

#include "engines/dsdp/formulation.h"

namespace tvx {

// True when the form's objective has no term: every point is optimal.
bool zero_objective(const SdpForm &f);

// The factors a question divides the form's sides and costs by (1 where
// they are all 0).
struct QuestionScale {
  double sides = 1, costs = 1;
};
QuestionScale question_scale(const SdpForm &f);

// Throw std::bad_alloc only. The radius is at the question's scale.
SdpForm feasibility_question(const SdpForm &f);
SdpForm ball_question(const SdpForm &f, double radius);
SdpForm ray_question(const SdpForm &f);

}  // namespace tvx

#endif
