// The shared library as another program sees it: loaded by path, entries found by name, and
// nothing else of ours in its dynamic symbol table.

#include <cstring>
#include <dlfcn.h>
#include <elf.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace
{

// Generated from dib/dib.h at configure time.
const char *const kExports[] = {
#include "dib/exports.inc"
};

const std::string kLibrary = TARNIS_BINARY_DIR "/lib/libtarnisdib.so";

// Defined symbols of the dynamic symbol table that other modules can bind to.
std::set<std::string> DynamicExports(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::set<std::string> names;
    const auto *eh = reinterpret_cast<const Elf64_Ehdr *>(file.data());
    if (file.size() < sizeof(Elf64_Ehdr) || std::memcmp(eh->e_ident, ELFMAG, SELFMAG) != 0
        || eh->e_ident[EI_CLASS] != ELFCLASS64)
        return names;
    const auto *sections = reinterpret_cast<const Elf64_Shdr *>(file.data() + eh->e_shoff);
    for (int i = 0; i < eh->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM)
            continue;
        const char *strings = file.data() + sections[sections[i].sh_link].sh_offset;
        const auto *syms = reinterpret_cast<const Elf64_Sym *>(file.data() + sections[i].sh_offset);
        for (std::size_t k = 1; k < sections[i].sh_size / sizeof(Elf64_Sym); ++k) {
            const Elf64_Sym &s = syms[k];
            const int bind = ELF64_ST_BIND(s.st_info);
            if (s.st_shndx == SHN_UNDEF || (bind != STB_GLOBAL && bind != STB_WEAK)
                || ELF64_ST_VISIBILITY(s.st_other) != STV_DEFAULT)
                continue;
            names.insert(strings + s.st_name);
        }
    }
    return names;
}

} // namespace

TEST(Exports, EveryFunctionIsFoundByItsPlainName)
{
    void *lib = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    for (const char *name : kExports)
        EXPECT_NE(dlsym(lib, name), nullptr) << name;
    dlclose(lib);
}

TEST(Exports, NothingElseIsExported)
{
    const std::set<std::string> expected(std::begin(kExports), std::end(kExports));
    EXPECT_EQ(DynamicExports(kLibrary), expected);
}

// The library's complete list: these seventy functions plus GlobalAlloc, GlobalFree and
// GlobalSize, and nothing else.
TEST(Exports, TheSeventyFunctions)
{
    std::set<std::string> expected { "GlobalAlloc", "GlobalFree", "GlobalSize", "AdjustRGBOffset",
        "AlphaBlendDib2DC", "AnyConvertTo24Bit", "Bitmap2Dib", "BlurMask8Bit", "ChangeWindowRgn",
        "ConvertDIBToNoFillBytes", "CreateDib", "CreateNewBitmapInfo", "CreateNewBmpInfoColor", "Deflate8Bit",
        "Dib2BW", "Dib2Bitmap", "Dib2DibAlphaBlend", "Dib2Gray", "DibCharCoal", "DibColorBlend",
        "DibColorMask", "DibCrop", "DibCrop2Dib", "DibDespeckleImage", "DibDrop", "DibEqualizeImage",
        "DibFuzzy", "DibGriddingPixel", "DibHSLMask", "DibImplodeImage", "DibLens", "DibLightMask", "DibMask",
        "DibMosaic", "DibMyAddNoise", "DibNormalize", "DibPlasma", "DibPlasmaImage", "DibPlasmaPixel",
        "DibPlasmaPixels", "DibReduceNoiseImage", "DibRoll", "DibRotate3D", "DibScale1Bit",
        "DibScaleCrop2Dib", "DibShade", "DibSolarize", "DibSpiralEffect", "DibSpreadImage", "DibTwist",
        "DibWaveEffect", "DibWind", "DoImageFilter", "DoSpecialFilter", "DuplicateDibData", "GetDibFromDC",
        "GetMaskRect", "GetPaletteEntry", "GradientFillRect", "MirrorDib", "NegativeDib", "OilPaintDib",
        "ReadRes2Data", "RotateDib", "RotateFreeAngle", "Scale8BitDib", "Scale8Or4Dib", "ScaleAndCrop",
        "ScaleDibAll", "ScallAlpha", "ScallBitmap", "TileBmpOnRect", "TileDibOnRect" };
    EXPECT_EQ(expected.size(), 73u);
    EXPECT_EQ(std::set<std::string>(std::begin(kExports), std::end(kExports)), expected);
}
