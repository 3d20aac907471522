// File-drop helpers of the thumbnail grid: the extension filter for dropped files, the
// dropped-file list block offered when files are dragged out, and the name a dropped file gets
// in the browsed folder.
#pragma once

#include "platform/wintypes.h"

#include <string>
#include <string_view>
#include <vector>

// 1 when list (semicolon-separated entries) contains "*" or an entry equal to the path's
// extension lower-cased without its dot; else 0.
int MatchesExtensionList(std::string_view list, std::string_view path);

// A zero-initialised global block in the file-drop format: a 20-byte header whose first 32-bit
// field is 20 (the offset of the list) and whose other fields are 0 (narrow names), then each
// path with a terminating zero, then one more zero. Null when the block cannot be allocated.
HGLOBAL MakeDropFileList(const std::vector<std::string> &paths);
// The paths of such a block (for checking what was offered).
std::vector<std::string> ReadDropFileList(HGLOBAL block);

// Where a copy of source goes in folder: folder + the source's file name, or while that exists
// folder + stem + n + extension (n = 1, 2, ...; extension lower-cased). Empty for an empty folder.
std::string MakeCopyTarget(const std::string &folder, const std::string &source);
