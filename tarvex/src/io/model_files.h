// Model files: MPS (".mps", ".qps"), the LP text format (".lp") and the
// sparse SDPA format of semidefinite models (".dat-s"), each optionally
// compressed; io/formats.h picks them by the file name. What the
// readers and writers promise is in tarvex/README.md ("Files").
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
int read_sdpa_file(const char *filename, Compression compression, Store &out);

// The parsers behind it, from an opened file into an empty builder; the
// status is OKAY, FORMAT_ERROR or one of the reading failures of
// LineReader. MPS comes in two forms: free (fields are separated by blanks,
// names hold none) and fixed (fields sit in fixed columns, names may hold
// blanks). read_mps_file tries free first and fixed when free fails.
enum class MpsForm { Free, Fixed };
int parse_mps(LineReader &lines, MpsForm form, ModelBuilder &out);
int parse_lp(LineReader &lines, ModelBuilder &out);
// SDPA builds its store directly (the builder holds no PSD elements).
int parse_sdpa(LineReader &lines, Store &out);

// Write the model (MPS: free form with QUADOBJ) so that reading the file
// gives the same model back, within what the format can hold. A model the
// format cannot state is FORMAT_ERROR before the file is opened; a file that
// cannot be written is FILE_WRITE_ERROR, and no file is left at the path.
int write_mps_file(const char *filename, Compression compression, const Store &s);
int write_lp_file(const char *filename, Compression compression, const Store &s);
int write_sdpa_file(const char *filename, Compression compression, const Store &s);
// What MPS can state of the rows (a range's sides); what SDPA can state of
// a model (sdpa/writer.cpp); OKAY or FORMAT_ERROR.
int check_mps_writable(const Store &s);
int check_sdpa_writable(const Store &s);
// The writers behind them, for a model their checks accepted.
int write_mps(TextWriter &out, const Store &s);
int write_lp(TextWriter &out, const Store &s);
int write_sdpa(TextWriter &out, const Store &s);

}  // namespace tvx

#endif
