// Parameter files (".prm", optionally compressed): the text of
// store/params.h, moved to and from the file by the stream layer.
#ifndef TARVEX_IO_PARAM_FILES_H
#define TARVEX_IO_PARAM_FILES_H

#include "io/file_io.h"
#include "store/params.h"

namespace tvx {

// The settings of the file, validated whole (parse_params): a refused file
// yields none.
int read_params_file(const char *filename, Compression compression, ParamSettings &settings);
int write_params_file(const char *filename, Compression compression, const ParamValues &values);

}  // namespace tvx

#endif
