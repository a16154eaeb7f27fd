#!/usr/bin/env bash
# The module's rules that a grep can keep (README.md, "Rules a newcomer can
# check" for src/). Each check prints the lines that break its rule; the
# script fails when any does. Run by `make lint`.
set -euo pipefail
cd "$(dirname "$0")/.."

status=0

# report RULE FINDINGS: prints the findings under the rule's name, if any.
report() {
  if [ -n "$2" ]; then
    printf '%s\n%s\n\n' "$1" "$2"
    status=1
  fi
}

# grep_src PATTERN [EXCLUDED...]: lines of the module's sources (tracked or
# new) matching an extended regex, outside the excluded files.
grep_src() {
  local pattern=$1
  shift
  git grep --untracked -nE "$pattern" -- src "${@/#/:!}" || true
}

# src/runtime is the base: it includes nothing of the folders above it.
report "src/runtime includes a folder above it:" \
  "$(git grep --untracked -n '#include "' -- src/runtime | grep -v '#include "runtime/' || true)"

# Sizes change kind only through runtime/sizes.h (to_size, py_size, int_size).
# Exempt: as_int32's value conversion (args.cpp, range-checked beside it) and
# the exported numpy accessors, which truncate by their contract.
size_types='(std::)?size_t|int|int32_t|Py_ssize_t|npy_intp'
report "a cast to a size type outside runtime/sizes.h:" \
  "$(grep_src "static_cast<($size_types)>|\(($size_types)\) *[A-Za-z_(]|[^A-Za-z_:](size_t|int32_t|Py_ssize_t|npy_intp)\(" \
    src/runtime/sizes.h src/runtime/args.cpp src/module/numpy_helpers.cpp)"

# A library status is held in rc (qrc) and compared with TVX_ERROR_OKAY; a
# submission's result (TVX_CB_*, or below 0 an error) is held in outcome.
report "a library status tested other than against TVX_ERROR_OKAY:" \
  "$(grep_src '\bq?rc\b *(==|!=|<=?|>=?) *([^ T]|T[^V])|if \(!?q?rc\)|if \(!?TVX[a-z]+\(')"
report "a library result held in a variable not named rc, qrc or outcome:" \
  "$(grep_src '\bint +[a-z_]+ *= *TVX[a-z]+\(' | grep -vE '\bint +(q?rc|outcome) *=' || true)"

# Library, status and callback codes are tarvex.h's names, paired with their
# TVX names by CB_CODE, ERROR_CODE and STATUS_CODE, never read back from TVX.
report "a code written by hand or read from the TVX tables:" \
  "$(grep_src 'tvx_int|tvx_constant\("[A-Za-z]+", |\{"[A-Z_]+", *(-?[0-9]|TVX_)|TVX_(ERROR|STATUS|CB)_[A-Z_]+, *"|raise_code(_detail)?\(-?[0-9]')"

# Type slots of our own are installed through DZ_SLOT, except the garbage
# collector's traverse, clear, dealloc and finalize, which call no C++ that
# throws; so are the functions of method and getset tables.
report "a slot of our own installed without DZ_SLOT:" \
  "$(grep_src '(->|\.)(tp|nb|sq|mp|am)_[a-z_]+ = [a-z_][A-Za-z0-9_:]*(<[^;]*>)?;' \
    | grep -vE '(tp|nb|sq|mp)_(traverse|clear|dealloc|finalize|name|doc|base|methods|getset|members|as_number|as_sequence|as_mapping|flags|basicsize|itemsize|dictoffset) = ' || true)"
report "a method or getset table entry without DZ_SLOT:" \
  "$(grep_src '^ *\{"[^"]+", *[a-z_][A-Za-z0-9_:]*(<[^>]*>)?,')"

# A call that changes a model takes its handle from model_edit_handle (or,
# for attributes, checks edit_allowed itself): every file making one says so.
editing='\bTVX(add|del|chg)[A-Za-z]*\(|\bTVXset[a-z]*attr[a-z]*\(|\bTVX(reset|cleanupmilp|setcallbackfunc)\('
unguarded=""
for f in $(git grep --untracked -lE "$editing" -- 'src/*.cpp' || true); do
  grep -qE 'model_edit_handle\(|edit_allowed\(' "$f" || unguarded+="$f"$'\n'
done
report "a file changing a model without model_edit_handle or edit_allowed:" "${unguarded%$'\n'}"

# New references are owned by Ref; a raw decref belongs to the owners
# themselves: Ref, ParsedArgs, the term-list blocks and the object slots of
# the exported numpy accessors.
report "a raw decref outside the reference owners:" \
  "$(grep_src 'Py_X?DECREF\(' src/runtime/ref.h src/runtime/function.h src/expr/list.cpp \
    src/module/numpy_helpers.cpp)"

# Module globals are read through runtime/globals.h (module_global,
# global_attr, np_attr, sp_attr, tvx_constant), never from the module's dict
# or a fresh import. Exempt: start-up, which fills the dict, and functions'
# __globals__ (the dict itself) and the ast import of function.cpp.
report "a module global read around runtime/globals.h:" \
  "$(grep_src 'PyModule_GetDict|PyImport_Import' src/runtime/globals.cpp src/module/module.cpp \
    src/module/module_functions.cpp src/runtime/function.cpp)"

# One return convention per kind: bool (false: an exception is set, or a
# predicate that cannot fail), int 0/-1, probes and fast paths 1/0/-1, a
# count or index with -1 for an exception. No other sentinel.
report "a return sentinel other than 1, 0 and -1:" \
  "$(grep_src 'return -[2-9][0-9]*;|[!=]= -[2-9][0-9]*\b')"

exit $status
