// Files of a model's results, each optionally compressed:
// - ".sol": the solution, "# Objective value = v" and one "name value" line
//   per variable;
// - ".mst": a MIP start, "name value" lines for the variables that have a
//   value: the solution's when there is one, else the stored start;
// - ".bas": a basis in the MPS basis format: NAME, then " XU col row" and
//   " XL col row" (col basic, row nonbasic at its upper or lower side),
//   " UL col" and " LL col" (col nonbasic at its upper or lower bound),
//   ENDATA. A column not named is nonbasic at its lower bound, or between
//   its bounds (superbasic) when it has none; a row not named is basic.
// Names are those of file_names (NameStyle::Mps), the ones a model file
// written alongside carries.
//
// Reading a ".sol" or ".mst" file replaces the whole MIP start ("Start"):
// the variables it lists get its values, every other one none; reading a
// ".bas" file sets the start basis. Lines starting with "#" (".sol",
// ".mst") or "*" (".bas") are comments. A name that no element carries, a
// malformed line or, for a basis, a count of basic elements other than the
// number of rows is FORMAT_ERROR, and a refused file changes nothing.
#ifndef TARVEX_IO_RESULT_FILES_H
#define TARVEX_IO_RESULT_FILES_H

#include "io/file_io.h"
#include "store/store.h"

namespace tvx {

// NO_SOLN without a solution.
int write_solution_file(const char *filename, Compression compression, const Store &s);
int write_start_file(const char *filename, Compression compression, const Store &s);
// The solution's basis when there is one, else the start basis; NO_SOLN
// without either, INVALID_BASIS_STATUS for one that has not as many basic
// elements as rows (the format pairs each basic column with a nonbasic
// row).
int write_basis_file(const char *filename, Compression compression, const Store &s);

int read_start_file(const char *filename, Compression compression, Store &s);
int read_basis_file(const char *filename, Compression compression, Store &s);

}  // namespace tvx

#endif
