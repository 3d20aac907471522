// Runs a fuzz target once over every file named on the command line (folders recursively), so
// the targets also build and run without libFuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace
{

int g_files = 0;

void RunFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++g_files;
}

} // namespace

int main(int argc, char **argv)
{
    namespace fs = std::filesystem;
    for (int i = 1; i < argc; ++i) {
        fs::path arg(argv[i]);
        std::error_code ec;
        if (fs::is_directory(arg, ec)) {
            for (auto &entry : fs::recursive_directory_iterator(arg, ec))
                if (entry.is_regular_file())
                    RunFile(entry.path());
        } else if (fs::is_regular_file(arg, ec)) {
            RunFile(arg);
        }
    }
    std::printf("replayed %d inputs\n", g_files);
    return 0;
}
