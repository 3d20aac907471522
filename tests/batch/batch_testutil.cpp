#include "tests/batch/batch_testutil.h"

#include "codec/codexa.h"
#include "platform/dibutil.h"
#include "platform/globalmem.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace batchtest
{

bool WritePixels(const std::filesystem::path &path, int width, int height, const std::string &ext,
    const std::function<void(int x, int y, std::uint8_t *bgr)> &pixel)
{
    DibInfoBlock info {};
    DibInitHeader(info, width, height, 24);
    const auto stride = static_cast<std::size_t>(DibStride(width, 24));
    std::vector<BYTE> bits(stride * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixel(x, y, bits.data() + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 3);
    return CodexaSave(path.string().c_str(), &info, bits.data(), ext.c_str(), nullptr) == 1;
}

bool WritePicture(const std::filesystem::path &path, int width, int height, const std::string &ext, int seed)
{
    return WritePixels(path, width, height, ext, [seed](int x, int y, BYTE *p) {
        p[0] = static_cast<BYTE>(x * 7 + seed * 31);
        p[1] = static_cast<BYTE>(y * 5 + seed * 17);
        p[2] = static_cast<BYTE>((x + y) * 3 + seed);
    });
}

std::pair<int, int> PictureSize(const std::filesystem::path &path)
{
    DibInfoBlock info {};
    HGLOBAL bits = nullptr;
    if (CodexaLoadPage(&bits, &info, path.string().c_str(), -1) != 1)
        return { 0, 0 };
    GlobalFree(bits);
    return { info.bmiHeader.biWidth, info.bmiHeader.biHeight };
}

std::string ReadBytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

void WriteBytes(const std::filesystem::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Names(const std::filesystem::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TempDir::TempDir()
{
    static std::atomic<int> serial { 0 };
    m_path = std::filesystem::temp_directory_path()
        / ("tarnis_batch_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path TempDir::Sub(const std::string &name) const
{
    std::filesystem::path sub = m_path / name;
    std::filesystem::create_directories(sub);
    return sub;
}

} // namespace batchtest
