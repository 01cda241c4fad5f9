# cmake -DINPUT=<file> -DOUTPUT=<header> -DNAMESPACE=<ns> -P QzEmbedText.cmake
# Writes a header holding INPUT's text as kText and the number of its line
# "local LIBRARY_VERSION = N" as kVersion, so a file the program embeds and
# a tool reads is kept in one place. The header is rewritten only when it
# changes, so its users are not rebuilt for nothing.
file(READ ${INPUT} text)
if(text MATCHES "\\)qzembed\"")
  message(FATAL_ERROR "${INPUT} holds the raw string's end marker")
endif()
if(NOT text MATCHES "local LIBRARY_VERSION = ([0-9]+)")
  message(FATAL_ERROR "${INPUT} has no line \"local LIBRARY_VERSION = <number>\"")
endif()
set(version ${CMAKE_MATCH_1})
get_filename_component(name ${INPUT} NAME)
file(WRITE ${OUTPUT}.new
"// Generated from ${name} at build time; edit that file instead.
#pragma once

namespace ${NAMESPACE} {

inline constexpr int kVersion = ${version};
inline constexpr const char kText[] = R\"qzembed(${text})qzembed\";

}  // namespace ${NAMESPACE}
")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
