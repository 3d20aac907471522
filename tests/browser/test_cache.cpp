// The thumbnail cache file: exact bytes of written caches, the string and count encodings, the
// object-record tags a reader must understand, and refusal of damaged files.
#include "browser/archive.h"
#include "browser/thumbcachefile.h"
#include "browser/thumbobj.h"
#include "browser_testutil.h"
#include "platform/dibutil.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

using Bytes = std::vector<std::uint8_t>;

// v as n little-endian bytes.
void Put(Bytes &b, std::uint32_t v, int n)
{
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutRaw(Bytes &b, const void *p, std::size_t n)
{
    auto *c = static_cast<const std::uint8_t *>(p);
    b.insert(b.end(), c, c + n);
}

FileStatusRecord MakeStatus(const std::string &path, std::int32_t written)
{
    FileStatusRecord s {};
    s.creationTime = 1000;
    s.lastWriteTime = written;
    s.lastAccessTime = 3000;
    s.size = 4321;
    s.attributes = 0x20;
    std::memcpy(s.fullPath, path.data(), std::min<std::size_t>(path.size(), 259));
    return s;
}

// A 24-bit w × h thumbnail whose bytes count up from seed.
std::shared_ptr<CThumbObj> MakeItem(const std::string &name, int w, int h, std::uint8_t seed)
{
    auto item = std::make_shared<CThumbObj>();
    item->SetNameFolder(name, "/pics");
    item->SetFileStatus(MakeStatus("/pics/" + name, 2000));
    item->SetCellSize(114, 130);
    item->SetBoxSize(100, 100);
    if (w > 0) {
        DibInfoBlock info;
        DibInitHeader(info, w, h, 24);
        Bytes dib;
        PutRaw(dib, &info.bmiHeader, 40);
        for (std::size_t i = 0; i < info.bmiHeader.biSizeImage; ++i)
            dib.push_back(static_cast<std::uint8_t>(seed + i));
        EXPECT_EQ(item->SetPicture(dib.data(), dib.size()), 1);
    }
    return item;
}

// The item fields exactly as the file holds them. w 0 is an item without a thumbnail: its
// picture size and header size stay preset to the box, bit count and image size 0, no pixels.
Bytes ItemFields(const std::string &name, int w, int h, std::uint8_t seed, int depth = 24)
{
    Bytes b;
    if (name.size() < 255) {
        b.push_back(static_cast<std::uint8_t>(name.size()));
    } else {
        b.push_back(0xFF);
        Put(b, static_cast<std::uint32_t>(name.size()), 2);
    }
    PutRaw(b, name.data(), name.size());
    FileStatusRecord s = MakeStatus("/pics/" + name, 2000);
    PutRaw(b, &s, 280);
    const int pw = w > 0 ? w : 100, ph = w > 0 ? h : 100;
    for (int v : { 114, 130, 100, 100, pw, ph, 40, pw, ph })
        Put(b, static_cast<std::uint32_t>(v), 4);
    Put(b, w > 0 ? 1 : 0, 2);
    Put(b, w > 0 ? static_cast<std::uint32_t>(depth) : 0, 2);
    const std::uint32_t image = static_cast<std::uint32_t>((w * depth + 31) / 32 * 4 * h);
    for (std::uint32_t v : { 0u, image, 0u, 0u, 0u, 0u })
        Put(b, v, 4);
    for (std::uint32_t i = 0; i < image; ++i)
        b.push_back(static_cast<std::uint8_t>(seed + i));
    b.insert(b.end(), 40, 0); // the source header
    return b;
}

Bytes Header(unsigned count)
{
    Bytes b;
    b.push_back(11);
    PutRaw(b, "browseimage", 11);
    Put(b, count, 2);
    return b;
}

Bytes ClassRecord()
{
    Bytes b;
    for (std::uint32_t v : { 0xFFFFu, 0u, 9u })
        Put(b, v, 2);
    PutRaw(b, "CThumbObj", 9);
    return b;
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const auto &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

ThumbItemList Parse(const Bytes &bytes, bool expectOk = true)
{
    ThumbItemList items;
    EXPECT_EQ(ParseThumbCache(bytes.data(), bytes.size(), "browseimage", items), expectOk);
    return items;
}

Bytes ReadAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

TEST(ThumbCache, OneAndTwoItemGridBytes)
{
    Bytes one = MakeThumbCache("browseimage", { MakeItem("a.jpg", 3, 2, 7) });
    EXPECT_EQ(one, Concat({ Header(1), ClassRecord(), ItemFields("a.jpg", 3, 2, 7) }));
    // The opening bytes as a person would read them off a hex dump.
    const Bytes start { 11, 'b', 'r', 'o', 'w', 's', 'e', 'i', 'm', 'a', 'g', 'e', 0x01, 0x00, 0xFF, 0xFF,
        0x00, 0x00, 0x09, 0x00, 'C', 'T', 'h', 'u', 'm', 'b', 'O', 'b', 'j' };
    EXPECT_EQ(Concat({ Header(1), ClassRecord() }), start);

    // The second record names the class by reference (0x8001) instead of describing it again.
    Bytes two = MakeThumbCache("browseimage", { MakeItem("a.jpg", 2, 2, 1), MakeItem("b.jpg", 1, 3, 50) });
    EXPECT_EQ(two,
        Concat({ Header(2), ClassRecord(), ItemFields("a.jpg", 2, 2, 1), Bytes { 0x01, 0x80 },
            ItemFields("b.jpg", 1, 3, 50) }));
    ThumbItemList back = Parse(two);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1]->GetName(), "b.jpg");
    EXPECT_EQ(back[1]->GetPictureSize().cx, 1);
    EXPECT_EQ(back[1]->GetPictureSize().cy, 3);
    EXPECT_EQ(back[1]->GetFileStatus().lastWriteTime, 2000);
    EXPECT_EQ(MakeThumbCache("browseimage", back), two);
}

TEST(ThumbCache, NameLengthPrefixes)
{
    // 254 characters take a one-byte length (0xFE), 255 the escape 0xFF and a 16-bit length.
    const std::string n254 = std::string(250, 'x') + ".jpg", n255 = n254 + "g";
    for (const std::string &name : { n254, n255 }) {
        Bytes written = MakeThumbCache("browseimage", { MakeItem(name, 1, 1, 0) });
        EXPECT_EQ(written, Concat({ Header(1), ClassRecord(), ItemFields(name, 1, 1, 0) })) << name.size();
        EXPECT_EQ(Parse(written).at(0)->GetName(), name);
    }
}

TEST(ArchiveEncoding, StringAndCountBoundaries)
{
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        { 0, { 0x00 } },
        { 254, { 0xFE } },
        { 255, { 0xFF, 0xFF, 0x00 } },
        { 0xFFFD, { 0xFF, 0xFD, 0xFF } },
        { 0xFFFE, { 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00 } },
    };
    for (const auto &c : cases) {
        ArchiveWriter w;
        w.WriteString(std::string(c.length, 'q'));
        const Bytes &b = w.Bytes();
        ASSERT_EQ(b.size(), c.prefix.size() + c.length) << c.length;
        EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), b.begin())) << c.length;
        ArchiveReader r(b.data(), b.size());
        std::string back;
        EXPECT_TRUE(r.ReadString(back));
        EXPECT_EQ(back.size(), c.length);
        // One byte short: refused without reading past the end.
        ArchiveReader shortReader(b.data(), b.size() - 1);
        EXPECT_FALSE(shortReader.ReadString(back)) << c.length;
    }
    ArchiveWriter w;
    w.WriteCount(0xFFFE);
    w.WriteCount(0xFFFF);
    EXPECT_EQ(w.Bytes(), (Bytes { 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00 }));
    ArchiveReader r(w.Bytes().data(), w.Bytes().size());
    std::uint32_t a = 0, b = 0;
    EXPECT_TRUE(r.ReadCount(a) && r.ReadCount(b));
    EXPECT_EQ(a, 0xFFFEu);
    EXPECT_EQ(b, 0xFFFFu);
    // A length far beyond the data is refused, not allocated.
    const Bytes huge { 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a' };
    ArchiveReader hr(huge.data(), huge.size());
    std::string s;
    EXPECT_FALSE(hr.ReadString(s));
    EXPECT_TRUE(hr.Failed());
}

TEST(ThumbCache, ItemWithoutThumbnailHasNoPixelBytes)
{
    auto failed = MakeItem("broken.jpg", 0, 0, 0);
    failed->BeginPicture();
    ThumbOutcome none;
    none.opened = true;
    EXPECT_EQ(failed->TakePicture(std::move(none)), 0);
    EXPECT_EQ(failed->GetPictureHeader().biBitCount, 0);
    Bytes written = MakeThumbCache("browseimage", { failed });
    EXPECT_EQ(written, Concat({ Header(1), ClassRecord(), ItemFields("broken.jpg", 0, 0, 0) }));
    ThumbItemList back = Parse(written);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0]->GetPictureHeader().biBitCount, 0);
    EXPECT_EQ(back[0]->GetPictureBits(), nullptr);
}

// Another writer's thumbnails of any picture depth are read with their stored size and pixels.
TEST(ThumbCache, ThumbnailsOfEveryDepthAreRead)
{
    for (int depth : { 1, 4, 8, 16, 24, 32 }) {
        SCOPED_TRACE(depth);
        const Bytes fields = ItemFields("a.bmp", 5, 3, 7, depth);
        ThumbItemList back = Parse(Concat({ Header(1), ClassRecord(), fields }));
        ASSERT_EQ(back.size(), 1u);
        const BITMAPINFOHEADER &h = back[0]->GetPictureHeader();
        EXPECT_EQ(h.biBitCount, depth);
        const std::size_t bytes = static_cast<std::size_t>((5 * depth + 31) / 32 * 4 * 3);
        EXPECT_EQ(h.biSizeImage, bytes);
        ASSERT_NE(back[0]->GetPictureBits(), nullptr);
        const auto *bits = static_cast<const std::uint8_t *>(back[0]->GetPictureBits());
        EXPECT_EQ(Bytes(bits, bits + bytes),
            Bytes(fields.end() - 40 - static_cast<long>(bytes), fields.end() - 40));
        // And written back unchanged.
        EXPECT_EQ(MakeThumbCache("browseimage", back), Concat({ Header(1), ClassRecord(), fields }));
    }
}

TEST(ThumbCache, SurplusBytesAndSignatureCase)
{
    Bytes written = MakeThumbCache("browseimage", { MakeItem("a.jpg", 2, 2, 9) });
    Bytes longer = written;
    longer.insert(longer.end(), 5000, 0xAB);
    EXPECT_EQ(Parse(longer).size(), 1u);

    Bytes upper = written;
    std::memcpy(upper.data() + 1, "BROWSEIMAGE", 11);
    EXPECT_EQ(Parse(upper).size(), 1u);
    Bytes other = written;
    other[1] = 'x';
    Parse(other, false);
}

TEST(ThumbCache, EveryTruncationIsRefused)
{
    Bytes written = MakeThumbCache("browseimage", { MakeItem("a.jpg", 2, 2, 9), MakeItem("b.png", 3, 1, 1) });
    for (std::size_t n = 0; n < written.size(); ++n) {
        ThumbItemList items;
        EXPECT_FALSE(ParseThumbCache(written.data(), n, "browseimage", items)) << n;
        EXPECT_TRUE(items.empty());
    }
}

TEST(ThumbCache, ReaderUnderstandsEveryTag)
{
    Bytes a = ItemFields("a.jpg", 1, 1, 3);
    Bytes b = ItemFields("b.jpg", 1, 1, 4);
    Bytes nullTag { 0x00, 0x00 };
    Bytes refFirst { 0x02, 0x00 }; // the first object (class is index 1)
    Bytes bigClass { 0xFF, 0x7F, 0x01, 0x00, 0x00, 0x80 }; // 0x7FFF, then class 1 with the high bit
    Bytes file = Concat({ Header(4), ClassRecord(), a, nullTag, refFirst, bigClass, b });
    ThumbItemList items = Parse(file);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]->GetName(), "a.jpg");
    EXPECT_EQ(items[1]->GetName(), "b.jpg");

    // References to things not read yet, to a class, or classes never described are refused.
    Parse(Concat({ Header(2), ClassRecord(), a, Bytes { 0x05, 0x00 } }), false);
    Parse(Concat({ Header(2), ClassRecord(), a, Bytes { 0x01, 0x00 } }), false);
    Parse(Concat({ Header(1), Bytes { 0x02, 0x80 }, a }), false);
    Bytes wrongName = ClassRecord();
    wrongName[6] = 'X';
    Parse(Concat({ Header(1), wrongName, a }), false);
    Bytes wrongSchema = ClassRecord();
    wrongSchema[2] = 1;
    Parse(Concat({ Header(1), wrongSchema, a }), false);
}

TEST(ThumbCache, InconsistentPictureHeadersAreRefused)
{
    Bytes good = MakeThumbCache("browseimage", { MakeItem("a.jpg", 2, 2, 9) });
    std::size_t header = Header(1).size() + ClassRecord().size() + 6 + 280 + 24;
    auto patched = [&](std::size_t offset, std::uint32_t value) {
        Bytes b = good;
        std::memcpy(b.data() + header + offset, &value, 4);
        return b;
    };
    Parse(patched(20, 15), false); // image size one short of the rows
    Parse(patched(4, 0), false); // width 0 with pixels
    Parse(patched(8, 0x7FFFFFFF), false); // absurd height
    Bytes depth = good;
    depth[header + 14] = 8; // 8 bits, but the image size is that of 24
    Parse(depth, false);
    depth[header + 14] = 2; // a depth no picture has
    Parse(depth, false);
    Bytes size = good;
    std::memcpy(size.data() + header - 24, "\xFF\xFF\xFF\x7F", 4); // cell width beyond any grid
    Parse(size, false);
}

TEST(CacheFile, WritesAtomicallyAndReadsBack)
{
    TempFolder dir;
    std::string path = dir.File("brwseimg.tnv");
    ThumbItemList items;
    for (int i = 0; i < 60; ++i) // beyond one flush of the streamed writer
        items.push_back(MakeItem("p" + std::to_string(i) + ".jpg", 100, 75, static_cast<std::uint8_t>(i)));
    Bytes image = MakeThumbCache("browseimage", items);
    ASSERT_GT(image.size(), std::size_t(1) << 20);
    ASSERT_TRUE(WriteThumbCacheFile(path, "browseimage", items));
    EXPECT_EQ(ReadAll(path), image);
    ThumbCacheBytes back;
    ASSERT_TRUE(ReadThumbCacheFile(path, back));
    EXPECT_EQ(Bytes(back.data.get(), back.data.get() + back.size), image);
    // Items read over the file's bytes share them and write back the same file.
    ThumbItemList shared;
    ASSERT_TRUE(ParseThumbCache(back.data, back.size, "browseimage", shared));
    std::weak_ptr<const std::uint8_t> watch = back.data;
    back = ThumbCacheBytes {};
    EXPECT_FALSE(watch.expired());
    EXPECT_EQ(MakeThumbCache("browseimage", shared), image);
    shared.clear();
    EXPECT_TRUE(watch.expired());
    // Replacing a longer file leaves no tail and no temporary files.
    Bytes shorter(10, 1);
    ASSERT_TRUE(WriteThumbCacheFile(path, shorter));
    EXPECT_EQ(ReadAll(path), shorter);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(ReadThumbCacheFile(dir.File("missing.tnv"), back));
}

TEST(CacheFile, NeverWritesThroughASymbolicLink)
{
    TempFolder dir;
    std::ofstream(dir.File("victim.txt")) << "precious";
    std::string link = dir.File("brwseimg.tnv");
    fs::create_symlink(dir.File("victim.txt"), link);
    ASSERT_TRUE(WriteThumbCacheFile(link, Bytes { 1, 2, 3 }));
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(link), (Bytes { 1, 2, 3 }));
    EXPECT_EQ(ReadAll(dir.File("victim.txt")), (Bytes { 'p', 'r', 'e', 'c', 'i', 'o', 'u', 's' }));
}

TEST(CacheFile, ReadOnlyCacheIsReplacedAndReadOnlyFolderFails)
{
    TempFolder dir;
    std::string path = dir.File("brwseimg.tnv");
    ASSERT_TRUE(WriteThumbCacheFile(path, Bytes { 1 }));
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    ASSERT_TRUE(WriteThumbCacheFile(path, Bytes { 2 }));
    EXPECT_EQ(ReadAll(path), (Bytes { 2 }));

    fs::permissions(dir.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    bool written = WriteThumbCacheFile(path, Bytes { 3 });
    fs::permissions(dir.Path(), fs::perms::owner_all);
    if (written)
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    EXPECT_EQ(ReadAll(path), (Bytes { 2 }));
}

TEST(ThumbCache, FuzzSeedsDecode)
{
    fs::path seeds = fs::path(TARNIS_SOURCE_DIR) / "fuzz" / "seeds" / "thumbcache";
    int count = 0;
    for (const auto &entry : fs::directory_iterator(seeds)) {
        Bytes bytes = ReadAll(entry.path());
        ThumbItemList items;
        EXPECT_TRUE(ParseThumbCache(bytes.data(), bytes.size(), "browseimage", items)) << entry.path();
        EXPECT_FALSE(items.empty());
        ++count;
    }
    EXPECT_GE(count, 5);
}
