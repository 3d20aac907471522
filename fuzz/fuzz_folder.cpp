// The path a folder's files take before any decode: the listing and the format test of each file
// (what the thumbnail grid does for every name), on a file holding the input under a name whose
// extension the first byte chooses.
#include "codec/codexa.h"
#include "platform/files.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace
{

const std::string &Folder()
{
    static const std::string folder = [] {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnis-fuzz-folder-XXXXXX";
        return ::mkdtemp(pattern.data()) ? pattern : std::string("/tmp");
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const char *const kNames[] = { "a.bmp", "b.jpg", "c.gif", "d.tga", "e.pcx", "f.tif", "g.img",
        "h.mac", "i.png", "j.JPEG", "k", "l.txt" };
    const std::string path = Folder() + "/" + kNames[size > 0 ? data[0] % 12 : 0];
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return 0;
    if (size > 1)
        std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);
    for (const FolderEntry &entry : ListFolder(Folder())) {
        const std::string file = Folder() + "/" + entry.name;
        CodexaFormatTest(file.c_str());
        CodexaPageCount(file.c_str());
    }
    ::unlink(path.c_str());
    return 0;
}
