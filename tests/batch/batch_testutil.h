// Pictures and folders for the batch converter's tests.
#pragma once

#include "platform/noncopyable.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace batchtest
{

// Writes a width x height 24-bit picture through the codec in the format of ext; pixel(x, y, bgr)
// fills one pixel's blue, green and red bytes. False when the codec refuses.
bool WritePixels(const std::filesystem::path &path, int width, int height, const std::string &ext,
    const std::function<void(int x, int y, std::uint8_t *bgr)> &pixel);

// Writes a width x height 24-bit picture through the codec in the format of ext ("bmp", "png",
// ...); seed varies the pixels. False when the codec refuses.
bool WritePicture(
    const std::filesystem::path &path, int width, int height, const std::string &ext, int seed = 0);

// Width and height of the picture at path through the codec; (0, 0) when it cannot be loaded.
std::pair<int, int> PictureSize(const std::filesystem::path &path);

std::string ReadBytes(const std::filesystem::path &path);
void WriteBytes(const std::filesystem::path &path, const std::string &bytes);

// Names of the entries of folder (files and folders, hidden ones included), sorted.
std::vector<std::string> Names(const std::filesystem::path &folder);

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir : NonCopyable
{
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path &Path() const { return m_path; }
    std::filesystem::path operator/(const std::string &name) const { return m_path / name; }
    // A sub-folder, made on first use.
    std::filesystem::path Sub(const std::string &name) const;

private:
    std::filesystem::path m_path;
};

} // namespace batchtest
