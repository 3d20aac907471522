// The thumbnail cache file: exact bytes of written caches, the string and count encodings, the
// object-record tags a reader must understand, and refusal of damaged files.
#include "browser/archive.h"
#include "browser/thumbcachefile.h"
#include "browser/thumbobj.h"

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

void Put16(Bytes &b, unsigned v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes &b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutText(Bytes &b, const std::string &s)
{
    b.insert(b.end(), s.begin(), s.end());
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
        BITMAPINFOHEADER h40 {};
        h40.biSize = 40;
        h40.biWidth = w;
        h40.biHeight = h;
        h40.biPlanes = 1;
        h40.biBitCount = 24;
        std::size_t stride = (w * 24 + 31) / 32 * 4;
        Bytes dib;
        PutRaw(dib, &h40, sizeof h40);
        for (std::size_t i = 0; i < stride * h; ++i)
            dib.push_back(static_cast<std::uint8_t>(seed + i));
        EXPECT_EQ(item->SetPicture(dib.data(), dib.size()), 1);
    }
    return item;
}

// The item fields exactly as the file holds them.
Bytes ItemFields(const std::string &name, int w, int h, std::uint8_t seed, const BITMAPINFOHEADER &source)
{
    Bytes b;
    if (name.size() < 255) {
        b.push_back(static_cast<std::uint8_t>(name.size()));
    } else {
        b.push_back(0xFF);
        Put16(b, static_cast<unsigned>(name.size()));
    }
    PutText(b, name);
    FileStatusRecord s = MakeStatus("/pics/" + name, 2000);
    PutRaw(b, &s, 280);
    for (std::int32_t v : { 114, 130, 100, 100 })
        Put32(b, static_cast<std::uint32_t>(v));
    Put32(b, static_cast<std::uint32_t>(w > 0 ? w : 100));
    Put32(b, static_cast<std::uint32_t>(w > 0 ? h : 100));
    std::uint32_t stride = (static_cast<std::uint32_t>(w) * 24 + 31) / 32 * 4;
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(w));
    Put32(b, static_cast<std::uint32_t>(h));
    Put16(b, w > 0 ? 1 : 0);
    Put16(b, w > 0 ? 24 : 0);
    Put32(b, 0);
    Put32(b, w > 0 ? stride * h : 0);
    for (int i = 0; i < 4; ++i)
        Put32(b, 0);
    for (std::uint32_t i = 0; w > 0 && i < stride * h; ++i)
        b.push_back(static_cast<std::uint8_t>(seed + i));
    PutRaw(b, &source, 40);
    return b;
}

Bytes Header(unsigned count)
{
    Bytes b;
    b.push_back(11);
    PutText(b, "browseimage");
    Put16(b, count);
    return b;
}

Bytes ClassRecord()
{
    Bytes b;
    Put16(b, 0xFFFF);
    Put16(b, 0);
    Put16(b, 9);
    PutText(b, "CThumbObj");
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

} // namespace

TEST(ThumbCache, OneItemGridBytes)
{
    ThumbItemList items { MakeItem("a.jpg", 3, 2, 7) };
    Bytes written = MakeThumbCache("browseimage", items);
    Bytes expected = Concat({ Header(1), ClassRecord(), ItemFields("a.jpg", 3, 2, 7, BITMAPINFOHEADER {}) });
    ASSERT_EQ(written.size(), expected.size());
    EXPECT_EQ(written, expected);
    // The opening bytes as a person would read them off a hex dump.
    const std::uint8_t start[] = { 11, 'b', 'r', 'o', 'w', 's', 'e', 'i', 'm', 'a', 'g', 'e', 0x01, 0x00,
        0xFF, 0xFF, 0x00, 0x00, 0x09, 0x00, 'C', 'T', 'h', 'u', 'm', 'b', 'O', 'b', 'j' };
    EXPECT_EQ(0, std::memcmp(written.data(), start, sizeof start));
}

TEST(ThumbCache, TwoItemGridSecondRecordUsesClassReference)
{
    ThumbItemList items { MakeItem("a.jpg", 2, 2, 1), MakeItem("b.jpg", 1, 3, 50) };
    Bytes second;
    Put16(second, 0x8001);
    Bytes expected = Concat({ Header(2), ClassRecord(), ItemFields("a.jpg", 2, 2, 1, BITMAPINFOHEADER {}),
        second, ItemFields("b.jpg", 1, 3, 50, BITMAPINFOHEADER {}) });
    Bytes written = MakeThumbCache("browseimage", items);
    EXPECT_EQ(written, expected);
    std::size_t at = Header(2).size() + ClassRecord().size() + ItemFields("a.jpg", 2, 2, 1, {}).size();
    EXPECT_EQ(written[at], 0x01);
    EXPECT_EQ(written[at + 1], 0x80);

    ThumbItemList back = Parse(written);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1]->GetName(), "b.jpg");
    EXPECT_EQ(back[1]->GetPictureSize().cx, 1);
    EXPECT_EQ(back[1]->GetPictureSize().cy, 3);
    EXPECT_EQ(back[1]->GetFileStatus().lastWriteTime, 2000);
    EXPECT_EQ(MakeThumbCache("browseimage", back), written);
}

TEST(ThumbCache, NameLengthPrefixes)
{
    std::string n254(250, 'x');
    n254 += ".jpg";
    std::string n255 = n254 + "g";
    ASSERT_EQ(n254.size(), 254u);
    Bytes w254 = MakeThumbCache("browseimage", { MakeItem(n254, 1, 1, 0) });
    Bytes w255 = MakeThumbCache("browseimage", { MakeItem(n255, 1, 1, 0) });
    std::size_t at = Header(1).size() + ClassRecord().size();
    EXPECT_EQ(w254[at], 0xFE);
    EXPECT_EQ(w254[at + 1], 'x');
    EXPECT_EQ(w255[at], 0xFF);
    EXPECT_EQ(w255[at + 1], 0xFF);
    EXPECT_EQ(w255[at + 2], 0x00);
    EXPECT_EQ(w255[at + 3], 'x');
    EXPECT_EQ(Parse(w254).at(0)->GetName(), n254);
    EXPECT_EQ(Parse(w255).at(0)->GetName(), n255);
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
    // Header (width and height preset to the box, bit count 0, image size 0), then straight to
    // the source header.
    Bytes fields;
    fields.push_back(10);
    PutText(fields, "broken.jpg");
    FileStatusRecord s = MakeStatus("/pics/broken.jpg", 2000);
    PutRaw(fields, &s, 280);
    for (std::int32_t v : { 114, 130, 100, 100, 100, 100, 40, 100, 100 })
        Put32(fields, static_cast<std::uint32_t>(v));
    Put16(fields, 0);
    Put16(fields, 0);
    for (int i = 0; i < 6; ++i)
        Put32(fields, 0);
    fields.insert(fields.end(), 40, 0);
    EXPECT_EQ(written, Concat({ Header(1), ClassRecord(), fields }));
    ThumbItemList back = Parse(written);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0]->GetPictureHeader().biBitCount, 0);
    EXPECT_EQ(back[0]->GetPictureBits(), nullptr);
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
    Bytes a = ItemFields("a.jpg", 1, 1, 3, BITMAPINFOHEADER {});
    Bytes b = ItemFields("b.jpg", 1, 1, 4, BITMAPINFOHEADER {});
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
    depth[header + 14] = 8; // palette depth without a palette
    Parse(depth, false);
    Bytes size = good;
    std::memcpy(size.data() + header - 24, "\xFF\xFF\xFF\x7F", 4); // cell width beyond any grid
    Parse(size, false);
}

class CacheFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path()
            / ("tarnis_cache_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    static Bytes ReadAll(const fs::path &p)
    {
        std::ifstream in(p, std::ios::binary);
        return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    fs::path dir;
};

TEST_F(CacheFileTest, WritesAtomicallyAndReadsBack)
{
    std::string path = (dir / "brwseimg.tnv").string();
    ThumbItemList items;
    for (int i = 0; i < 60; ++i) // beyond one flush of the streamed writer
        items.push_back(MakeItem("p" + std::to_string(i) + ".jpg", 100, 75, static_cast<std::uint8_t>(i)));
    Bytes image = MakeThumbCache("browseimage", items);
    ASSERT_GT(image.size(), std::size_t(1) << 20);
    ASSERT_TRUE(WriteThumbCacheFile(path, "browseimage", items));
    EXPECT_EQ(ReadAll(path), image);
    ThumbCacheBytes back;
    ASSERT_TRUE(ReadThumbCacheFile(path, back));
    ASSERT_EQ(back.size, image.size());
    EXPECT_EQ(0, std::memcmp(back.data.get(), image.data(), image.size()));
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
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    EXPECT_FALSE(ReadThumbCacheFile((dir / "missing.tnv").string(), back));
}

TEST_F(CacheFileTest, NeverWritesThroughASymbolicLink)
{
    fs::path victim = dir / "victim.txt";
    {
        std::ofstream(victim) << "precious";
    }
    fs::path link = dir / "brwseimg.tnv";
    fs::create_symlink(victim, link);
    ASSERT_TRUE(WriteThumbCacheFile(link.string(), Bytes { 1, 2, 3 }));
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(link), (Bytes { 1, 2, 3 }));
    std::ifstream in(victim);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "precious");
}

TEST_F(CacheFileTest, ReadOnlyCacheIsReplacedAndReadOnlyFolderFails)
{
    fs::path path = dir / "brwseimg.tnv";
    ASSERT_TRUE(WriteThumbCacheFile(path.string(), Bytes { 1 }));
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    ASSERT_TRUE(WriteThumbCacheFile(path.string(), Bytes { 2 }));
    EXPECT_EQ(ReadAll(path), (Bytes { 2 }));

    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    if (WriteThumbCacheFile(path.string(), Bytes { 3 }))
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(ReadAll(path), (Bytes { 2 }));
}

TEST(ThumbCache, FuzzSeedsDecode)
{
    fs::path seeds = fs::path(TARNIS_SOURCE_DIR) / "fuzz" / "seeds" / "thumbcache";
    int count = 0;
    for (const auto &entry : fs::directory_iterator(seeds)) {
        std::ifstream in(entry.path(), std::ios::binary);
        Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ThumbItemList items;
        EXPECT_TRUE(ParseThumbCache(bytes.data(), bytes.size(), "browseimage", items)) << entry.path();
        EXPECT_FALSE(items.empty());
        ++count;
    }
    EXPECT_GE(count, 5);
}
