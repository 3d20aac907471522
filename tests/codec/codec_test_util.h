// Helpers shared by the codec tests: test-data paths, synthetic pictures, pixel comparison.
#pragma once

#include "codec/dispatch.h"
#include "codec/format.h"

#include <string>
#include <vector>

namespace codexa::test
{

std::string TestData(const std::string &relative);
std::vector<std::uint8_t> ReadAll(const std::string &path);
// Regular files below folder (recursively when asked), sorted; only the given extensions
// (lower-case with dot) when the list is not empty.
std::vector<std::string> FilesIn(
    const std::string &folder, bool recursive, const std::vector<std::string> &exts = {});
std::string FileName(const std::string &path);

Bytes AsBytes(const std::vector<std::uint8_t> &v);
PictureView ViewOf(const Picture &pic);

// A picture of the given depth with a varied pattern; palette depths get a colourful palette
// (or a grey ramp when grey is true).
Picture MakePattern(int width, int height, int bitCount, bool grey = false);

// Every pixel as B, G, R (top row first).
std::vector<std::uint8_t> PixelsBGR(const Picture &pic);
// Largest per-channel difference of two pictures of the same size (-1 when sizes differ).
int MaxDifference(const Picture &a, const Picture &b);
double MeanDifference(const Picture &a, const Picture &b);

// Decodes a file through the dispatcher (page -1); fails the test on error.
Picture Decode(const std::string &path, int page = -1);

} // namespace codexa::test
