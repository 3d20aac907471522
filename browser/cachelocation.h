// Where a folder's thumbnail cache lives when the folder itself cannot hold it (a card, a disc,
// a system folder): a file in the user's cache folder named from the folder's path.
#pragma once

#include <string>

// $XDG_CACHE_HOME (else $HOME/.cache) + "/tarnis-viewer/thumbs"; empty when neither is set.
std::string UserThumbCacheFolder();
// The file in root that stands for folder's cache: the folder path made safe as a file name
// (its last 96 characters), a dash, 16 hex digits of a hash of the whole path, ".tnv".
std::string SpareCachePath(const std::string &root, const std::string &folder);
// Which of the two to read: the spare when it exists and the folder's file is missing or older.
std::string CacheFileToRead(const std::string &folderFile, const std::string &spareFile);
