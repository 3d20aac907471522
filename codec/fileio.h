// Reading picture files into memory and replacing them safely.
#pragma once

#include "codec/format.h"

#include <memory>
#include <string>
#include <vector>

namespace codexa
{

// A file read into memory. The block is kept between reads (and not cleared), so reading a
// folder of pictures in turn touches fresh memory only when a file is larger than all before it.
class FileBuffer
{
public:
    // Reads at most maxBytes (0 = the whole file) of a regular file. IoError when it cannot be
    // read, TooLarge over 2 GiB.
    Status Read(const char *path, std::size_t maxBytes = 0);
    Bytes bytes() const { return Bytes { m_data.get(), m_size }; }
    // Gives the block back when it is larger than keep bytes.
    void Trim(std::size_t keep);

private:
    bool Reserve(std::size_t n);
    std::unique_ptr<std::uint8_t[]> m_data;
    std::size_t m_capacity = 0;
    std::size_t m_size = 0;
};

// Writes data to a new file in path's folder, flushes it to disk and renames it over path, so that
// path holds either the old file or the complete new one. The new file is unnamed until it is
// complete where the file system allows (else a short-named temporary, removed on failure), so a
// save killed part-way leaves nothing behind. It takes the old file's permissions without the
// set-user and set-group bits (else 0666 less the umask). A file the user may not write is refused
// (ReadOnly); folders, FIFOs and devices are never replaced. When path is a symbolic link, the link
// itself is replaced by the new file; its target is left alone.
Status WriteFileAtomically(const std::string &path, Bytes data);

} // namespace codexa
