// Path helpers. Paths are UTF-8 strings with the native separator; extensions compare
// without regard to case.
#pragma once

#include <string>
#include <string_view>

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// folder + separator + the part of name after its last separator; one trailing separator of
// folder is dropped; an empty folder gives an empty result.
std::string JoinFolderAndName(std::string_view folder, std::string_view name);

// The part after the last separator (the whole path when there is none).
std::string PathFileName(std::string_view path);

// Everything before the last separator (empty when there is none).
std::string PathFolder(std::string_view path);

// Extension of the file name from its last "." inclusive, lower-cased; empty when there is none.
std::string PathExtension(std::string_view path);

// The file name cut before its last "." (the whole name when there is none).
std::string PathFileTitle(std::string_view path);

// A name's stem: the part before its last "." with trailing decimal digits removed.
std::string PathStem(std::string_view name);

// ASCII lower-casing, as extension comparisons need.
std::string ToLowerAscii(std::string_view text);

// True when the extensions (with or without dot) are equal ignoring case.
bool SameExtension(std::string_view a, std::string_view b);

// Order for names in a folder: case-insensitive, runs of digits compared as numbers.
bool NaturalLess(std::string_view a, std::string_view b);
