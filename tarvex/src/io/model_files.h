// Model files: MPS (".mps", ".qps") and the LP text format (".lp"), each
// optionally compressed; formats.h picks them by the file name.
//
// Conventions shared by the readers (the writers are to produce files that
// read back to the same model):
// - Element order is the order of first appearance in the file; names are
//   kept as written.
// - Coefficients given twice for one row and variable, and objective
//   coefficients given twice, add up. Other values given twice (bounds,
//   right-hand sides) take the last.
// - "Infinite" in a file (MPS bound types FR, MI, PL; "inf" and "infinity"
//   where a bound, right-hand side or range goes) reads as TVX_INFINITY of
//   its sign; any other number is stored as written, so 1e30 stays 1e30.
//   Coefficients must be finite numbers.
// - Quadratic objective terms are stored one triple per term of the file,
//   valued so that the objective holds val * x[row] * x[col] (see
//   mps/reader.cpp and lp/reader.cpp for what each form means).
// - A read that fails leaves nothing behind: the parsers gather the model
//   in a ModelBuilder, which fills a Store only once the whole file has been
//   understood, and the caller discards that Store on any failure.
#ifndef TARVEX_IO_MODEL_FILES_H
#define TARVEX_IO_MODEL_FILES_H

#include "io/file_io.h"
#include "io/file_names.h"
#include "io/text_writer.h"
#include "io/model_builder.h"
#include "store/store.h"

namespace tvx {

// Read a model file into out, which must be empty. Status: FILE_READ_ERROR
// when the file cannot be opened or read, FORMAT_ERROR for content that is
// not a model of the format, NOMEMORY. On failure out holds no meaningful
// data.
int read_mps_file(const char *filename, Compression compression, Store &out);
int read_lp_file(const char *filename, Compression compression, Store &out);

// The parsers behind it, from an opened file into an empty builder; the
// status is OKAY, FORMAT_ERROR or one of the reading failures of
// LineReader. MPS comes in two forms: free (fields are separated by blanks,
// names hold none) and fixed (fields sit in fixed columns, names may hold
// blanks). read_mps_file tries free first and fixed when free fails.
enum class MpsForm { Free, Fixed };
int parse_mps(LineReader &lines, MpsForm form, ModelBuilder &out);
int parse_lp(LineReader &lines, ModelBuilder &out);

// Write the model (MPS: free form with QUADOBJ), so that reading the file
// gives the same model back: element order,
// names, types and every value bit for bit, with these exceptions, which no
// file of the format can hold:
// - a name the format cannot hold (blanks, LP operators, ...), or one an
//   earlier element of its namespace already carries, becomes a generated
//   one (file_names); so does no name where the format needs one;
// - an IEEE infinity reads back as TVX_INFINITY;
// - MPS states a range as one side and a width, so the other side of a
//   range whose sides differ in sign may come back an ulp off when no
//   double width gives it exactly (LP states both sides);
// - the coefficients of a row come back in column order (MPS); an empty
//   row or indicator gets an explicit zero coefficient (LP), since the
//   format has no empty constraint;
// - a semi-integer variable is written as other solvers' readers take one
//   (MPS bound type SI; LP: listed in both the General and the Semi
//   sections), which our readers do not know yet: the MPS reader refuses SI
//   and the LP reader reads semi-continuous.
// Status: FORMAT_ERROR for models the format cannot state (PSD variables or rows; in MPS, a row
// whose lower side exceeds its upper side or lies more than the double range below it; a quadratic
// coefficient too large to double; in LP, rows without any variable to write them with);
// FILE_WRITE_ERROR when the file cannot be written, in which case no file
// is left at the path.
int write_mps_file(const char *filename, Compression compression, const Store &s);
int write_lp_file(const char *filename, Compression compression, const Store &s);
// What MPS can state of the rows (a range's sides); OKAY or FORMAT_ERROR.
int check_mps_writable(const Store &s);
// The writers behind them, for a model their checks accepted.
int write_mps(TextWriter &out, const Store &s);
int write_lp(TextWriter &out, const Store &s);

}  // namespace tvx

#endif
