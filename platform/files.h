// File-system helpers: the per-file status record, existence checks, sorted folder listings and
// unique target names.
#pragma once

#include "platform/wintypes.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

constexpr BYTE FILE_ATTR_READONLY = 0x01;
constexpr BYTE FILE_ATTR_HIDDEN = 0x02;
constexpr BYTE FILE_ATTR_SYSTEM = 0x04;
constexpr BYTE FILE_ATTR_DIRECTORY = 0x10;
constexpr BYTE FILE_ATTR_ARCHIVE = 0x20;

constexpr int kMaxPath = 260;

#pragma pack(push, 1)
// What the file system reports for one file; 278 bytes of data kept in 280 (written verbatim to
// the thumbnail cache).
struct FileStatusRecord {
    std::int32_t creationTime; // seconds since 1970, UTC
    std::int32_t lastWriteTime; // seconds since 1970, UTC
    std::int32_t lastAccessTime; // seconds since 1970, UTC
    std::int32_t size; // low 32 bits of the size in bytes
    BYTE attributes; // FILE_ATTR_* bits
    BYTE reserved;
    char fullPath[kMaxPath]; // zero-terminated
    BYTE padding[2];
};
#pragma pack(pop)

static_assert(sizeof(FileStatusRecord) == 280);
static_assert(offsetof(FileStatusRecord, attributes) == 16);
static_assert(offsetof(FileStatusRecord, fullPath) == 18);

// Fills record from the file system; false (record zeroed) when the file cannot be examined.
// Paths longer than 259 bytes are cut in the record, never overrun.
bool GetFileStatus(const std::string &path, FileStatusRecord &record);

// Opens path for reading only when it is a regular file (following links); a FIFO, socket or
// device is refused without blocking. A descriptor (close-on-exec) or -1.
#ifndef _WIN32
int OpenRegularFile(const std::string &path);
#endif
// The same as a stdio stream ("rb"), or null.
std::FILE *OpenRegularFileStream(const std::string &path);
// Whether path is a regular file that can be opened for reading.
bool CanReadRegularFile(const std::string &path);

#ifndef _WIN32
// Replaces path with a new file of the given permissions whose content write(fd) produces (true
// on success). The new file is unnamed until it is complete and flushed where the file system
// allows (else a short-named temporary in the same folder, removed on failure), then renamed
// over path: path holds the old file or the whole new one, and a process killed part-way leaves
// nothing behind. A symbolic link at path is itself replaced. False on any failure.
bool ReplaceFileContents(const std::string &path, unsigned mode, const std::function<bool(int fd)> &write);
#endif

bool FileExists(const std::string &path); // any non-directory entry
bool FolderExists(const std::string &path); // a directory (following links)

struct FolderEntry {
    std::string name;
    bool isFolder = false;
    bool isHidden = false;
};

// Entries of a folder without "." and "..", sorted by NaturalLess: folders and regular files
// (links followed; dangling links kept as files), never FIFOs, sockets or devices. Empty when
// unreadable.
std::vector<FolderEntry> ListFolder(const std::string &folder);

// When path exists, replaces it by folder + stem + n + extension for the first n = 1, 2, ... that
// does not exist (stem without trailing digits, extension lower-cased); the separator is
// normalised either way.
void MakeUniqueFileName(std::string &path);
// The same with the caller's notion of "exists" (for names that are about to be written).
void MakeUniqueFileName(std::string &path, const std::function<bool(const std::string &)> &exists);

// True when anything (file or folder) exists at path.
bool PathExists(const std::string &path);

// Free bytes for an unprivileged user on the volume of path; -1 when unknown.
std::int64_t FreeDiskSpace(const std::string &path);
