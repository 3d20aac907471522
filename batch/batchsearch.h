// The batch converter's folder search: the "*.*" pattern of a folder and the files it finds
// directly inside that folder.
#pragma once

#include <string>
#include <vector>

// folder + separator + "*.*" (one trailing separator of the folder dropped); empty for an empty
// folder.
std::string BatchSearchPattern(const std::string &folder);

// Full paths of the files matching the pattern, in folder order (names compared as numbers where
// they hold digits). "." and "..", sub-folders and whatever cannot be listed are left out; an
// empty pattern finds nothing. Only the "*.*" pattern (every name) is understood.
std::vector<std::string> FindBatchFiles(const std::string &pattern);
