// Files on disk, in place of the runtime's fopen_s: opening only regular
// files (a FIFO or device where a data file should be never blocks or feeds
// endless bytes), and replacing a file whole through a temporary beside it so
// that a crash, a full disk or a power cut leaves the old or the new bytes.
// Any thread may call these; each call stands alone.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace platform::file {

// Opens `path` for reading in binary mode when it is a regular file. Never
// blocks on a FIFO. Null on failure with *outErrno set: ENOENT when nothing is
// there, EISDIR or EINVAL for a folder or another kind of file, or the
// system's own code.
std::FILE* open_regular_for_read(const std::string& path, int* outErrno);

// Writes the bytes to "<path>.<pid>.<n>.tmp" (created exclusively), flushes
// it to disk, renames it over `path` and flushes the folder, so the name
// holds either the old file or the whole new one. Temporaries of this naming
// left beside `path` by processes that are gone are removed first. The
// folder must exist. False (and `path` untouched) when any step fails.
bool replace_contents(const std::string& path, const void* data, std::size_t size);

// Renames `path` to the first free "<path>.<suffix><n>" (n from 1) without
// replacing anything; the new name is stored in *outName. False when `path`
// cannot be renamed.
bool move_aside(const std::string& path, const char* suffix, std::string* outName);

}  // namespace platform::file
