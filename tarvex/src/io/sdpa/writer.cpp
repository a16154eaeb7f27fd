// Semidefinite models in the sparse SDPA format, as sdpa/reader.cpp reads
// them back: one square block per PSD variable in index order, then one
// diagonal block holding the variables, if there are any. Each matrix is
// written as the symmetric matrix it stands for (store/psd_matrix.h), its
// upper triangle, which every reader of the format takes. A minimisation
// is written as the maximisation of the negated objective, with the comment
// line that makes our reader give the minimisation back.
//
// The format states max <F0, X> s.t. <Fi, X> = ci with X >= 0 on the
// diagonal blocks; a model fits it when every row is an equality with a
// finite side, every variable is continuous in [0, inf), the objective has
// no constant and no quadratic terms, there are no SOS or indicators, and
// there is at least one block. Names are not kept.
#include <cmath>
#include <string>
#include <vector>

#include "core/status.h"
#include "io/file_report.h"
#include "io/model_files.h"
#include "store/psd_matrix.h"

namespace tvx {
namespace {

void entry(TextWriter &out, int mat, int block, int i, int j, double value) {
  out << std::to_string(mat) << " " << std::to_string(block) << " " << std::to_string(i) << " "
      << std::to_string(j) << " ";
  out.num(value) << "\n";
}

// The upper triangle of the symmetric matrix a PSD matrix stands for.
void matrix(TextWriter &out, int mat, int block, int dim, int n, const int *pos, const double *val,
            double factor) {
  for (const SymEntry &e : symmetric_entries(dim, n, pos, val)) {
    entry(out, mat, block, e.col + 1, e.row + 1, factor * e.value);
  }
}

}  // namespace

int check_sdpa_writable(const Store &s) {
  if (s.num_sos() > 0 || s.num_genconstrs() > 0)
    return fail(kBadFormat, "the format has no SOS or indicator constraints");
  if (!s.qterms().val.empty() || s.objcon() != 0)
    return fail(kBadFormat, "the format has no quadratic objective terms or objective constant");
  if (s.num_vars() == 0 && s.num_psd_vars() == 0)
    return fail(kBadFormat, "a model without variables has no block to write");
  const Vars &v = s.vars();
  for (int j = 0; j < s.num_vars(); ++j) {
    if (v.type[to_size(j)] != 'C' || v.lb[to_size(j)] != 0 || !is_plus_infinite(v.ub[to_size(j)]))
      return fail(kBadFormat, "variable " + std::to_string(j) +
                                  " is not continuous in [0, inf), as the format's are");
  }
  for (int i = 0; i < s.num_rows(); ++i) {
    const double side = s.rows().lhs[to_size(i)];
    if (side != s.rows().rhs[to_size(i)] || !std::isfinite(finite_or_inf(side)))
      return fail(kBadFormat, "constraint " + std::to_string(i) +
                                  " is no equality with a finite side, as the format's are");
  }
  return TVX_ERROR_OKAY;
}

int write_sdpa(TextWriter &out, const Store &s) {
  const double sign = s.sense() == TVX_MINIMIZE ? -1.0 : 1.0;
  const PsdVars &p = s.psd_vars();
  const int lp_block = s.num_vars() > 0 ? s.num_psd_vars() + 1 : 0;
  out << "\"semidefinite model in the sparse SDPA format\"\n";
  if (s.sense() == TVX_MINIMIZE) out << "* tarvex: minimize\n";
  out << std::to_string(s.num_rows()) << "\n"
      << std::to_string(s.num_psd_vars() + (lp_block > 0 ? 1 : 0)) << "\n";
  for (int k = 0; k < s.num_psd_vars(); ++k) out << std::to_string(p.dim[to_size(k)]) << " ";
  if (lp_block > 0) out << std::to_string(-s.num_vars());
  out << "\n";
  for (int i = 0; i < s.num_rows(); ++i) {
    out.num(s.rows().lhs[to_size(i)]) << (i + 1 < s.num_rows() ? " " : "");
  }
  out << "\n";
  for (int k = 0; k < s.num_psd_vars(); ++k) {
    matrix(out, 0, k + 1, p.dim[to_size(k)], p.obj.length(k), p.obj.index(k), p.obj.value(k), sign);
  }
  for (int j = 0; j < s.num_vars(); ++j) {
    const double c = s.vars().obj[to_size(j)];
    if (c != 0) entry(out, 0, lp_block, j + 1, j + 1, sign * c);
  }
  for (int i = 0; i < s.num_rows(); ++i) {
    if (const PsdRowPart *part = s.psd_part(i)) {
      for (std::size_t k = 0; k < part->var.size(); ++k) {
        const int b = part->run_begin(k), e = part->run_end(k);
        const int var = part->var[k];
        matrix(out, i + 1, var + 1, p.dim[to_size(var)], e - b, part->pos.data() + b,
               part->val.data() + b, 1.0);
      }
    }
    const SparseList &terms = s.rows().terms;
    for (int e = 0; e < terms.length(i); ++e) {
      if (terms.value(i)[e] != 0) {
        entry(out, i + 1, lp_block, terms.index(i)[e] + 1, terms.index(i)[e] + 1,
              terms.value(i)[e]);
      }
    }
  }
  return out.status();
}

int write_sdpa_file(const char *filename, Compression compression, const Store &s) {
  const int rc = check_sdpa_writable(s);
  if (rc != TVX_ERROR_OKAY) return rc;
  return write_text_file(filename, compression,
                         [&](TextWriter &out) { return write_sdpa(out, s); });
}

}  // namespace tvx
