// One line for every resource that fails to load (model, texture, font,
// movie): `<kind> "<file>" not loaded: <reason>`, written to stderr and to
// the sink the game installs (its script log). Any thread; the line is
// written whole under a lock.
#pragma once

#include <string>

namespace QZW {

// Receives each line, without its newline.
using QzLoadReportSink = void (*)(const std::string& line);

// Null: lines go to stderr only.
void QzSetLoadReportSink(QzLoadReportSink sink);

// The line QzReportLoadFailure writes, e.g.
// texture "tex/a.tga" not loaded: the file is 12 bytes, its header needs 18
std::string QzLoadFailureLine(const char* kind, const std::string& file, const std::string& reason);

// kind: "model", "texture", "font", "movie".
void QzReportLoadFailure(const char* kind, const std::string& file, const std::string& reason);

}  // namespace QZW
