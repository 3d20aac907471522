// Reading picture files into memory and replacing them safely.
#pragma once

#include "codec/format.h"

#include <string>
#include <vector>

namespace codexa
{

// Reads at most maxBytes (0 = the whole file) of a regular file into out (resized to what was
// read; its capacity is reused). IoError when the file cannot be read, TooLarge over 2 GiB.
Status ReadFileBytes(const char *path, std::vector<std::uint8_t> &out, std::size_t maxBytes = 0);

// Writes data to a new file beside path, flushes it to disk and renames it over path, so that
// path holds either the old file or the complete new one. The new file takes the old one's
// permissions (else 0666 less the umask). When path is a symbolic link, the link itself is
// replaced by the new file; its target is left alone. On failure the temporary file is removed.
Status WriteFileAtomically(const std::string &path, Bytes data);

} // namespace codexa
