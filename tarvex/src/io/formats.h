// Every file the library reads or writes, chosen by the suffix of its name
// (file_kind): one table row per format says what each exported call does
// with a file of that format. A call the row has no function for refuses
// the file with FORMAT_ERROR, as it does a suffix no row has.
#ifndef TARVEX_IO_FORMATS_H
#define TARVEX_IO_FORMATS_H

#include <string_view>

#include "io/file_io.h"
#include "store/params.h"
#include "store/store.h"

namespace tvx {

struct FileFormat {
  std::string_view suffix;  // lower case, with its dot
  // A new model from the file (TVXreadmodel): only model formats.
  int (*read_model)(const char *filename, Compression compression, Store &out);
  // Data read into a model (TVXread): its results, start or parameters
  // (settings, which the caller applies to the model's environment). Model
  // formats have none: a model read over this one would leave the caller's
  // lists of its elements stale.
  int (*read_data)(const char *filename, Compression compression, Store &s,
                   ParamSettings &settings);
  // The model, its results or its parameters written (TVXwrite).
  int (*write)(const char *filename, Compression compression, const Store &s,
               const ParamValues &params);
};

// The row of the file name's format, or null.
const FileFormat *file_format(const char *filename);

// What the exported calls do, by the table. Each fails with FORMAT_ERROR
// before touching the file when the format has no function for it.
int read_model_file(const char *filename, Store &out);
int read_model_data(const char *filename, Store &s, ParamSettings &settings);
int write_model_data(const char *filename, const Store &s, const ParamValues &params);
// Model formats only.
int write_model_file(const char *filename, const Store &s);
// Parameter formats only (TVXreadparams, TVXwriteparams).
int read_param_file(const char *filename, ParamSettings &settings);
int write_param_file(const char *filename, const ParamValues &params);

}  // namespace tvx

#endif
