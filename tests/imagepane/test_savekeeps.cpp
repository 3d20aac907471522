// Saves from the pane that keep what the file holds: lossless JPEG turns, JPEG metadata, every
// page of a multi-page TIFF.
#include "panetestutil.h"
#include "tests/image/testpictures.h"

#include <QFile>
#include <cstdlib>

using namespace panetest;

namespace
{

class SaveKeeps : public PaneFixture
{
protected:
    QByteArray Bytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Largest difference of any channel of any pixel; -1 when the sizes differ.
    static int MaxDifference(const CImageObj &a, const CImageObj &b)
    {
        if (a.Width() != b.Width() || a.Height() != b.Height())
            return -1;
        int worst = 0;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x) {
                const std::uint32_t p = PixelAt(a, x, y), q = PixelAt(b, x, y);
                for (int shift : { 0, 8, 16 })
                    worst = std::max(worst, std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF)));
            }
        return worst;
    }
};

} // namespace

// Turns and mirrors of a JPEG whose blocks are whole are saved on the compressed data: four turns
// give the very same file, and one turn (or a turn and a mirror) what the decoded turn shows.
TEST_F(SaveKeeps, JpegTurnsAreLossless)
{
    const QString path
        = files.Write("photo.jpg", 64, 48, [](int x, int y) { return Gradient(4 * x, 5 * y); });
    const QByteArray original = Bytes(path);
    CImageObj decoded;
    ASSERT_TRUE(decoded.Load(path.toStdString()));
    CViewImage &v = MakePane();
    v.Open(path);
    for (int i = 0; i < 4; ++i)
        Post(WMU_TOOLS_COMMAND, ID_TOOLS_ROTATE_RIGHT);
    ASSERT_TRUE(v.Save(QString()));
    EXPECT_EQ(Bytes(path), original);

    const struct {
        const char *name;
        std::vector<UINT> commands;
        std::function<bool(CImageObj &)> edit;
    } cases[] = {
        { "right", { ID_TOOLS_ROTATE_RIGHT }, [](CImageObj &p) { return p.Rotate(90); } },
        { "left", { ID_TOOLS_ROTATE_LEFT }, [](CImageObj &p) { return p.Rotate(-90); } },
        { "mirror", { ID_TOOLS_MIRROR }, [](CImageObj &p) { return p.MirrorFlip(0); } },
        { "right then mirror", { ID_TOOLS_ROTATE_RIGHT, ID_TOOLS_MIRROR },
            [](CImageObj &p) { return p.Rotate(90) && p.MirrorFlip(0); } },
        { "flip then left", { ID_TOOLS_FLIP, ID_TOOLS_ROTATE_LEFT },
            [](CImageObj &p) { return p.MirrorFlip(1) && p.Rotate(-90); } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString out = files.Path(QStringLiteral("out.jpg"));
        v.Open(path);
        for (UINT id : c.commands)
            Post(WMU_TOOLS_COMMAND, id);
        ASSERT_TRUE(v.Save(out));
        CImageObj expected, saved;
        ASSERT_TRUE(decoded.CopyTo(expected));
        ASSERT_TRUE(c.edit(expected));
        ASSERT_TRUE(saved.Load(out.toStdString()));
        EXPECT_LE(MaxDifference(saved, expected), 2);
        // A re-encode would differ from the transformed file: the transform keeps the size class.
        EXPECT_LT(std::abs(Bytes(out).size() - original.size()), original.size() / 10);
        EXPECT_EQ(Bytes(path), original);
    }
}

// Partial edge blocks: the picture is decoded and encoded instead, so no row or column is lost.
TEST_F(SaveKeeps, JpegWithPartialBlocksKeepsEveryRowAndColumn)
{
    const QString path = files.Write("odd.jpg", 61, 37);
    CViewImage &v = MakePane();
    v.Open(path);
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_ROTATE_RIGHT);
    ASSERT_TRUE(v.Save(QString()));
    CImageObj saved;
    ASSERT_TRUE(saved.Load(path.toStdString()));
    EXPECT_EQ(saved.Width(), 37);
    EXPECT_EQ(saved.Height(), 61);
    EXPECT_LE(MaxDifference(saved, *v.Picture()), 8);
}

// A JPEG saved as JPEG keeps the EXIF block (orientation normal), the ICC profile and comments.
TEST_F(SaveKeeps, JpegMetadataIsKept)
{
    const QString path = files.Path("sample.jpg");
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(TARNIS_TESTDATA_DIR "/jpeg/pillow/good/pil_sample_rgb.jpg"), path));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    CViewImage &v = MakePane();
    v.Open(path);
    Post(WMU_EFFECT_COMMAND, ID_EFFECT_NEGATIVE);
    ASSERT_TRUE(v.Save(QString()));
    const QByteArray saved = Bytes(path);
    EXPECT_TRUE(saved.contains(QByteArray("Exif\0\0", 6)));
    EXPECT_TRUE(saved.contains(QByteArray("ICC_PROFILE\0", 12)));
    EXPECT_FALSE(saved.contains(QByteArray("Photoshop 3.0")));

    // A turned photo: its orientation is applied on load and set to normal on save.
    const QString turned = files.Path("turned.jpg");
    ASSERT_TRUE(QFile::copy(
        QStringLiteral(TARNIS_TESTDATA_DIR "/jpeg/pillow/good/hopper_orientation_6.jpg"), turned));
    QFile::setPermissions(turned, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    v.Open(turned);
    const int width = v.Picture()->Width(), height = v.Picture()->Height();
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR);
    ASSERT_TRUE(v.Save(QString()));
    CImageObj back;
    ASSERT_TRUE(back.Load(turned.toStdString()));
    EXPECT_EQ(back.Width(), width);
    EXPECT_EQ(back.Height(), height);
    // Shown the same way round as before the save (a wrong orientation differs everywhere).
    EXPECT_LE(MaxDifference(back, *v.Picture()), 48);
}

// Saving an edited page of a 3-page TIFF writes all three; the other two are as they were.
TEST_F(SaveKeeps, MultiPageTiffKeepsItsOtherPages)
{
    const QString path = files.Path("pages.tiff");
    ASSERT_TRUE(QFile::copy(QStringLiteral(TARNIS_TESTDATA_DIR "/tiff/pillow/good/multipage.tiff"), path));
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    std::vector<std::vector<std::uint8_t>> before;
    CImageObj page;
    ASSERT_TRUE(page.Load(path.toStdString()));
    ASSERT_EQ(page.PageCount(), 3);
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            ASSERT_TRUE(page.GotoPage(true));
        }
        before.push_back(testpic::Snapshot(page));
    }
    CViewImage &v = MakePane();
    v.Open(path);
    ASSERT_TRUE(v.GotoPage(true));
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_ROTATE_RIGHT);
    const auto edited = testpic::Snapshot(*v.Picture());
    ASSERT_TRUE(v.Save(QString()));
    ASSERT_TRUE(page.Load(path.toStdString()));
    ASSERT_EQ(page.PageCount(), 3);
    EXPECT_EQ(testpic::Snapshot(page), before[0]);
    ASSERT_TRUE(page.GotoPage(true));
    EXPECT_EQ(testpic::Snapshot(page), edited);
    ASSERT_TRUE(page.GotoPage(true));
    EXPECT_EQ(testpic::Snapshot(page), before[2]);
}

// Replacing a file whose transparency or other frames the save cannot keep asks first; No keeps
// the file as it was. Files without either are saved without a question.
TEST_F(SaveKeeps, TransparencyAndFramesAreNotDroppedWithoutAQuestion)
{
    const struct {
        const char *source;
        const char *name;
        bool asks;
    } cases[] = {
        { "/pngsuite/good/basn6a08.png", "alpha.png", true },
        { "/pngsuite/good/tbrn2c08.png", "trns.png", true },
        { "/pngsuite/good/basn2c08.png", "opaque.png", false },
        { "/gif/pillow/good/dispose_none.gif", "frames.gif", true },
    };
    CViewImage &v = MakePane();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = files.Path(QString::fromLatin1(c.name));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TARNIS_TESTDATA_DIR) + QString::fromLatin1(c.source), path));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const QByteArray before = Bytes(path);
        for (int answer : { int(QMessageBox::No), int(QMessageBox::Yes) }) {
            answers.questions.clear();
            answers.answer = answer;
            v.Open(path);
            Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR);
            const bool saved = v.Save(QString());
            EXPECT_EQ(answers.questions.size(), c.asks ? 1u : 0u);
            if (c.asks && answer == QMessageBox::No) {
                EXPECT_FALSE(saved);
                EXPECT_EQ(Bytes(path), before);
                EXPECT_TRUE(v.IsModified());
                EXPECT_TRUE(answers.messages.empty());
                EXPECT_TRUE(v.Undo()); // the next open asks nothing
            } else {
                EXPECT_TRUE(saved);
                EXPECT_NE(Bytes(path), before);
                break;
            }
        }
    }
    EXPECT_TRUE(
        answers.questions.empty() || answers.questions.back().contains(QStringLiteral("Replace the file?")));
}
