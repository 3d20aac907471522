#include "batch/batchsearch.h"

#include "platform/files.h"
#include "platform/paths.h"

std::string BatchSearchPattern(const std::string &folder)
{
    return JoinFolderAndName(folder, "*.*");
}

std::vector<std::string> FindBatchFiles(const std::string &pattern)
{
    std::vector<std::string> files;
    if (pattern.empty() || PathFileName(pattern) != "*.*")
        return files;
    const std::string folder = PathFolder(pattern);
    // A pattern in the root folder keeps its separator as the folder.
    const std::string listed = folder.empty() ? std::string(1, kPathSeparator) : folder;
    for (const FolderEntry &entry : ListFolder(listed)) {
        if (entry.isFolder || entry.name == "." || entry.name == "..")
            continue;
        files.push_back(JoinFolderAndName(listed, entry.name));
    }
    return files;
}
