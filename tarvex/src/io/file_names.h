// The names elements carry in a file.
#ifndef TARVEX_IO_FILE_NAMES_H
#define TARVEX_IO_FILE_NAMES_H

#include <string>
#include <string_view>
#include <vector>

#include "store/store.h"

namespace tvx {

// The names elements carry in a file, one per element, kept where the store's
// name can stand in the format and is the first of its kind to carry it;
// every other element gets a generated name (prefix and index, "C3", with
// "_1", "_2", ... appended while that is taken). Writers and the readers of
// result files (.sol, .mst, .bas) use the same table, so a name written for
// an unnamed element leads back to that element.
enum class NameStyle {
  Mps,  // free-form MPS and the result files: no blanks or control characters,
        // no leading "#"
  Lp,   // the LP format's name syntax; unnamed rows may stay unnamed
};

struct FileNames {
  std::vector<std::string> cols;  // per variable
  std::vector<std::string> rows;  // per row (linear and PSD), empty: no label
  std::vector<std::string> gens;  // per general constraint, empty: no label
  std::string objective;          // the objective row (MPS) or its label (LP)
};

// Rows and general constraints share one namespace (each is a row of the
// file), and so does the objective: other LP readers, too, take its label for
// a row name.
FileNames file_names(const Store &s, NameStyle style);

bool valid_mps_name(std::string_view name);
bool valid_lp_name(std::string_view name);

}  // namespace tvx

#endif
