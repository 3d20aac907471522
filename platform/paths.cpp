#include "platform/paths.h"

#include <algorithm>
#include <cctype>

namespace
{

char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view FileNameView(std::string_view path)
{
    std::size_t sep = path.find_last_of(kPathSeparator);
    return sep == std::string_view::npos ? path : path.substr(sep + 1);
}

} // namespace

std::string JoinFolderAndName(std::string_view folder, std::string_view name)
{
    if (folder.empty())
        return {};
    if (folder.back() == kPathSeparator)
        folder.remove_suffix(1);
    std::string result(folder);
    result += kPathSeparator;
    result += FileNameView(name);
    return result;
}

std::string PathFileName(std::string_view path)
{
    return std::string(FileNameView(path));
}

std::string PathFolder(std::string_view path)
{
    std::size_t sep = path.find_last_of(kPathSeparator);
    return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep));
}

std::string PathExtension(std::string_view path)
{
    std::string_view name = FileNameView(path);
    std::size_t dot = name.find_last_of('.');
    return dot == std::string_view::npos ? std::string() : ToLowerAscii(name.substr(dot));
}

std::string PathFileTitle(std::string_view path)
{
    std::string_view name = FileNameView(path);
    return std::string(name.substr(0, name.find_last_of('.')));
}

std::string PathStem(std::string_view name)
{
    std::string stem = PathFileTitle(name);
    while (!stem.empty() && IsDigit(stem.back()))
        stem.pop_back();
    return stem;
}

std::string ToLowerAscii(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), LowerAscii);
    return out;
}

bool SameExtension(std::string_view a, std::string_view b)
{
    if (!a.empty() && a.front() == '.')
        a.remove_prefix(1);
    if (!b.empty() && b.front() == '.')
        b.remove_prefix(1);
    return a.size() == b.size() && ToLowerAscii(a) == ToLowerAscii(b);
}

bool NaturalLess(std::string_view a, std::string_view b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t si = i, sj = j;
            while (si < a.size() && a[si] == '0')
                ++si;
            while (sj < b.size() && b[sj] == '0')
                ++sj;
            std::size_t ei = si, ej = sj;
            while (ei < a.size() && IsDigit(a[ei]))
                ++ei;
            while (ej < b.size() && IsDigit(b[ej]))
                ++ej;
            // Longer run of significant digits is the larger number; equal lengths compare digitwise.
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            int cmp = a.substr(si, ei - si).compare(b.substr(sj, ej - sj));
            if (cmp != 0)
                return cmp < 0;
            // Same value: fewer leading zeros first, so "7" < "07".
            if (si - i != sj - j)
                return si - i < sj - j;
            i = ei;
            j = ej;
            continue;
        }
        char ca = LowerAscii(a[i]), cb = LowerAscii(b[j]);
        if (ca != cb)
            return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j)
        return a.size() - i < b.size() - j;
    // Equal ignoring case: fall back to a byte order so the sort is total.
    return a < b;
}
