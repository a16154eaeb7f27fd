# Checks the built library against the header:
#   cmake -DLIBRARY=<libtarvex.so.x.y.z> -DSONAME=<libtarvex.so.x.y.z> -DHEADER=<tarvex.h>
#         -DREADELF=<readelf> [-DSANITIZED=ON] -P check_exports.cmake
# The SONAME must be the one given; every defined dynamic symbol must be
# a function declared in the header, versioned under libtarvex.so; every
# declared function must be exported. libhighs.so exports unversioned copies
# of C++ runtime functions, so the library must name the system C++ runtime
# before it and bind no global reference without a version, except the C
# functions of the engine and compression libraries and the C++ classes of
# the COIN-OR engine libraries, which carry none (libhighs.so defines none
# of those names).
foreach(var LIBRARY SONAME HEADER READELF)
  if(NOT ${var})
    message(FATAL_ERROR "${var} not given")
  endif()
endforeach()

execute_process(COMMAND ${READELF} --dynamic --wide ${LIBRARY}
  OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "readelf --dynamic failed on ${LIBRARY}")
endif()
string(REPLACE "." "\\." soname_pattern "${SONAME}")
if(NOT dynamic MATCHES "\\(SONAME\\)[^\n]*\\[${soname_pattern}\\]")
  message(FATAL_ERROR "SONAME is not ${SONAME}:\n${dynamic}")
endif()

set(problems "")
string(FIND "${dynamic}" "[libstdc++.so.6]" stdcxx_at)
string(FIND "${dynamic}" "[libhighs.so]" highs_at)
if(highs_at EQUAL -1)
  string(APPEND problems "libhighs.so is not a dependency\n")
elseif(stdcxx_at EQUAL -1 OR stdcxx_at GREATER highs_at)
  string(APPEND problems "libstdc++.so.6 is not needed before libhighs.so\n")
endif()

execute_process(COMMAND ${READELF} --dyn-syms --wide ${LIBRARY}
  OUTPUT_VARIABLE symtab RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "readelf --dyn-syms failed on ${LIBRARY}")
endif()

set(exported)
set(stray)
set(unversioned)
string(REPLACE "\n" ";" lines "${symtab}")
foreach(line IN LISTS lines)
  # Num: Value Size Type Bind Vis Ndx Name
  set(field " +([A-Z_]+)")
  if(NOT line MATCHES "^ *[0-9]+: +[0-9a-f]+ +[0-9a-fx]+${field}${field}${field} +([A-Z0-9]+) +(.+)$")
    continue()
  endif()
  set(type ${CMAKE_MATCH_1})
  set(bind ${CMAKE_MATCH_2})
  set(ndx ${CMAKE_MATCH_4})
  set(name ${CMAKE_MATCH_5})
  string(REGEX REPLACE " *\\([0-9]+\\)$" "" name "${name}")
  if(ndx STREQUAL "UND")
    # The engine and compression libraries carry no symbol versions; their
    # C APIs (DSDP's included) and the engine classes (Cbc, Cgl, Clp, Coin,
    # Osi) are the only unversioned references allowed.
    if(bind STREQUAL "GLOBAL" AND NOT name MATCHES "@" AND
       NOT name MATCHES "^(Highs_|BZ2_|gz|inflate|deflate|crc32|adler32|zlib|zError)" AND
       NOT name MATCHES "^(DSDP|SDPCone|LPCone)" AND
       NOT name MATCHES "^_Z(N|NK|TI|TV|TS)?[0-9]+(Cbc|Cgl|Clp|Coin|Osi)")
      list(APPEND unversioned "${name}")
    endif()
    continue()
  elseif(bind STREQUAL "LOCAL")
    # The linker may keep a localised template instance in .dynsym; a local
    # binding is never exported.
    continue()
  elseif(ndx STREQUAL "ABS" AND name STREQUAL "libtarvex.so")
    continue()  # the version node's own definition
  elseif(type STREQUAL "FUNC" AND name MATCHES "^(TVX[A-Za-z0-9_]*)@@libtarvex\\.so$")
    list(APPEND exported ${CMAKE_MATCH_1})
  else()
    list(APPEND stray "${name}")
  endif()
endforeach()

file(READ ${HEADER} header)
string(REGEX MATCHALL "TVX_API[^;(]*[ *]TVX[A-Za-z0-9_]*\\(" declarations "${header}")
set(declared)
foreach(decl IN LISTS declarations)
  string(REGEX REPLACE ".*[ *](TVX[A-Za-z0-9_]*)\\($" "\\1" name "${decl}")
  list(APPEND declared ${name})
endforeach()

set(missing ${declared})
if(exported)
  list(REMOVE_ITEM missing ${exported})
endif()
set(undeclared ${exported})
if(declared)
  list(REMOVE_ITEM undeclared ${declared})
endif()
list(LENGTH declared declared_count)
list(LENGTH exported exported_count)

if(declared_count EQUAL 0)
  string(APPEND problems "no TVX_API declarations found in ${HEADER}\n")
endif()
if(stray)
  string(APPEND problems "exported but not TVX functions under libtarvex.so: ${stray}\n")
endif()
# Sanitizer runtimes come first and define their interceptors unversioned.
if(unversioned AND NOT SANITIZED)
  string(APPEND problems "undefined without a version: ${unversioned}\n")
endif()
if(missing)
  string(APPEND problems "declared but not exported: ${missing}\n")
endif()
if(undeclared)
  string(APPEND problems "exported but not declared: ${undeclared}\n")
endif()
if(problems)
  message(FATAL_ERROR "${problems}")
endif()
message(STATUS "${exported_count} functions exported under libtarvex.so, as declared")
