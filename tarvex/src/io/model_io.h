// Model files. The format follows the file name (file_kind): ".mps" and
// ".qps" are MPS, ".lp" the LP text format, each optionally compressed.
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
#ifndef TARVEX_MODEL_IO_H
#define TARVEX_MODEL_IO_H

#include "io/file_io.h"
#include "io/file_names.h"
#include "io/text_writer.h"
#include "io/model_builder.h"
#include "store/store.h"

namespace tvx {

// Reads the model file into out, which must be empty. Status:
// FILE_READ_ERROR when the file cannot be opened or read, FORMAT_ERROR for an
// unknown suffix (checked first) or content that is not a model of its
// format, NOMEMORY. On failure out holds no meaningful data.
int read_model_file(const char *filename, Store &out);

// The parsers behind it, from an opened file into an empty builder; the
// status is OKAY, FORMAT_ERROR or one of the reading failures of
// LineReader. MPS comes in two forms: free (fields are separated by blanks,
// names hold none) and fixed (fields sit in fixed columns, names may hold
// blanks). read_model_file tries free first and fixed when free fails.
enum class MpsForm { Free, Fixed };
int parse_mps(LineReader &lines, MpsForm form, ModelBuilder &out);
int parse_lp(LineReader &lines, ModelBuilder &out);

// Writes the model in the format of the file name's suffix (".mps" and
// ".qps" both free-form MPS with QUADOBJ, ".lp"), compressed as its suffix
// says, so that read_model_file gives the same model back: element order,
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
// Status: FORMAT_ERROR for a suffix that is no model format and for models
// the format cannot state (PSD variables or rows; in MPS, a row whose lower
// side exceeds its upper side or lies more than the double range below it;
// a quadratic coefficient too large to double; in LP, rows without any
// variable to write them with);
// FILE_WRITE_ERROR when the file cannot be written, in which case no file
// is left at the path.
int write_model_file(const char *filename, const Store &s);
// Whether write_model_file can write the model in the format (".mps",
// ".qps", ".lp") at all; OKAY or FORMAT_ERROR.
int check_model_writable(const Store &s, const std::string &format);
// What MPS can state of the rows (a range's sides); OKAY or FORMAT_ERROR.
int check_mps_writable(const Store &s);
// The writers behind it, for a model check_model_writable accepted.
int write_mps(TextWriter &out, const Store &s);
int write_lp(TextWriter &out, const Store &s);

}  // namespace tvx

#endif
