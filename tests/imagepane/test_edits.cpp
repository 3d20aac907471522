// Edits in the pane: undo and redo of every edit command at every depth, the modified state and
// its questions, saves that report failures, and the view after an edit.
#include "panetestutil.h"
#include "tests/image/testpictures.h"

#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <unistd.h>

using namespace panetest;

namespace
{

class PaneEdits : public PaneFixture
{
protected:
    // A w × h picture file of the depth (pseudo-random pixels and palette).
    QString WriteDepth(const QString &name, int depth, int w = 23, int h = 17)
    {
        CImageObj picture;
        const QString path = files.Path(name);
        return testpic::Make(picture, w, h, depth, 9) && picture.Save(path.toStdString()) ? path : QString();
    }
    void SelectRect(const RECT &r)
    {
        const ZoomView view = pane->DisplayView();
        pane->Selection().AddShape(kShapeRect, false, r, {}, view.zoomedWidth, view.zoomedHeight);
    }
};

struct Command {
    const char *name;
    UINT message;
    WPARAM code;
    bool rectangle = false; // needs a selection first
    bool reverse = false; // and the selection reversed
};

const Command kCommands[] = {
    { "rotate left", WMU_IMAGE_OPERATION, CViewImage::OpRotateLeft },
    { "rotate right", WMU_TOOLS_COMMAND, ID_TOOLS_ROTATE_RIGHT },
    { "rotate free", WMU_TOOLS_COMMAND, ID_TOOLS_ROTATE_FREE },
    { "mirror", WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR },
    { "flip", WMU_TOOLS_COMMAND, ID_TOOLS_FLIP },
    { "bright", WMU_EFFECT_COMMAND, ID_EFFECT_BRIGHT },
    { "dark", WMU_IMAGE_OPERATION, CViewImage::OpDarkness },
    { "grey", WMU_EFFECT_COMMAND, ID_EFFECT_GRAY },
    { "black and white", WMU_EFFECT_COMMAND, ID_EFFECT_BLACK_WHITE },
    { "negative", WMU_EFFECT_COMMAND, ID_EFFECT_NEGATIVE },
    { "image size", WMU_TOOLS_COMMAND, ID_TOOLS_IMAGE_SIZE },
    { "black edge", WMU_IMAGE_OPERATION, CViewImage::OpRemoveBlackEdgeDirect },
    { "crop", WMU_IMAGE_OPERATION, CViewImage::OpCrop, true },
    { "clear", WMU_IMAGE_OPERATION, CViewImage::OpDelete, true },
    { "invert and clear", WMU_IMAGE_OPERATION, CViewImage::OpDelete, true, true },
    { "reset", WMU_EFFECT_COMMAND, ID_EFFECT_RESET },
};

} // namespace

// Every edit command at every depth: edit, undo gives the file's header and pixels back, redo
// the edited ones, and the status bar follows each step.
TEST_F(PaneEdits, EveryCommandUndoesAndRedoesAtEveryDepth)
{
    MakePane();
    answers.imageWidth = 31;
    answers.imageHeight = 12;
    for (int depth : { 1, 4, 8, 16, 24, 32 }) {
        const QString path = WriteDepth(QStringLiteral("d%1.bmp").arg(depth), depth);
        ASSERT_FALSE(path.isEmpty()) << depth;
        for (const Command &c : kCommands) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(depth) + " bits");
            pane->Open(path);
            ASSERT_NE(pane->Picture(), nullptr);
            if (c.code == ID_EFFECT_RESET)
                Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR); // something for Reset to undo
            const auto original = testpic::Snapshot(*pane->Picture());
            const std::size_t stepsBefore = pane->History().UndoCount();
            if (c.rectangle) {
                SelectRect(RECT { 3, 2, 15, 11 });
                if (c.reverse)
                    Post(WMU_IMAGE_OPERATION, CViewImage::OpReverse);
            }
            Post(c.message, c.code);
            if (pane->History().UndoCount() == stepsBefore) {
                // Refused at this depth: nothing changed and nothing to undo.
                EXPECT_EQ(testpic::Snapshot(*pane->Picture()), original);
                continue;
            }
            const auto edited = testpic::Snapshot(*pane->Picture());
            // After Reset the picture is its file's again.
            EXPECT_EQ(pane->IsModified(), c.code != ID_EFFECT_RESET);
            EXPECT_EQ(frame.texts[1],
                QString::asprintf("%dx%d", pane->Picture()->Width(), pane->Picture()->Height()));
            ASSERT_TRUE(pane->Undo());
            EXPECT_EQ(testpic::Snapshot(*pane->Picture()), original);
            EXPECT_EQ(frame.texts[1],
                QString::asprintf("%dx%d", pane->Picture()->Width(), pane->Picture()->Height()));
            ASSERT_TRUE(pane->Redo());
            EXPECT_EQ(testpic::Snapshot(*pane->Picture()), edited);
            EXPECT_FALSE(pane->Redo());
        }
    }
}

// Opening another file and changing the page ask about a modified picture: Cancel keeps it as it
// is, No drops the edits, Yes writes them first.
TEST_F(PaneEdits, LeavingAModifiedPictureAsksFirst)
{
    std::vector<bool> marks;
    CViewImage &v = MakePane();
    v.SetModifiedSink([&marks](bool modified) { marks.push_back(modified); });
    const QString first = files.Write("first.bmp", 40, 30), second = files.Write("second.bmp", 20, 10);
    struct Case {
        int answer;
        bool leaves;
        bool written;
    } cases[] = { { QMessageBox::Cancel, false, false }, { QMessageBox::No, true, false },
        { QMessageBox::Yes, true, true } };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer);
        v.Open(first); // after Cancel the edited picture is still there: No drops it
        answers.questions.clear();
        v.Open(first); // unmodified: no question
        EXPECT_TRUE(answers.questions.empty());
        Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR);
        ASSERT_TRUE(v.IsModified());
        const auto edited = testpic::Snapshot(*v.Picture());
        answers.answer = c.answer;
        v.Open(second);
        ASSERT_EQ(answers.questions.size(), 1u);
        EXPECT_EQ(answers.questions[0], QStringLiteral("Save changes to first.bmp?"));
        answers.questions.clear();
        EXPECT_EQ(QFileInfo(QString::fromStdString(v.Picture()->FileName())).fileName(),
            c.leaves ? QStringLiteral("second.bmp") : QStringLiteral("first.bmp"));
        if (!c.leaves) {
            EXPECT_EQ(testpic::Snapshot(*v.Picture()), edited);
            EXPECT_TRUE(v.IsModified());
            EXPECT_TRUE(v.CanUndo());
        } else {
            EXPECT_FALSE(v.IsModified());
            EXPECT_FALSE(v.CanUndo());
        }
        CImageObj onDisk;
        ASSERT_TRUE(onDisk.Load(first.toStdString()));
        EXPECT_EQ(PixelAt(onDisk, 0, 0), c.written ? Gradient(39, 0) : Gradient(0, 0));
        if (c.written)
            files.Write("first.bmp", 40, 30); // the original again for the next case
        answers.answer = QMessageBox::No;
    }
    ASSERT_FALSE(marks.empty());
    EXPECT_FALSE(marks.back());

    // A page change asks the same way.
    v.Open(QStringLiteral(TARNIS_TESTDATA_DIR "/tiff/pillow/good/multipage.tiff"));
    ASSERT_EQ(v.PageCount(), 3);
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_FLIP);
    answers.answer = QMessageBox::Cancel;
    EXPECT_FALSE(v.GotoPage(true));
    EXPECT_EQ(v.Picture()->CurrentPage(), 0);
    EXPECT_TRUE(v.IsModified());
    answers.answer = QMessageBox::No;
    EXPECT_TRUE(v.GotoPage(true));
    EXPECT_EQ(v.Picture()->CurrentPage(), 1);
    EXPECT_FALSE(v.IsModified());
    EXPECT_EQ(answers.questions.size(), 2u);
    // No page beyond the last: no question either.
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_FLIP);
    EXPECT_TRUE(v.GotoPage(true));
    answers.questions.clear();
    EXPECT_FALSE(v.GotoPage(true));
    EXPECT_TRUE(answers.questions.empty());
}

// After Save As the new file is the picture's: status bar, later saves, the question's name.
TEST_F(PaneEdits, SaveAsMakesTheNewFileThePicturesFile)
{
    const QString original = files.Write("orig.bmp", 30, 20);
    CViewImage &v = MakePane();
    QString renamed;
    v.SetFileSink([&renamed](const QString &path) { renamed = path; });
    v.Open(original);
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR);
    const QString copy = files.Path("copy.png");
    ASSERT_TRUE(v.Save(copy));
    EXPECT_FALSE(v.IsModified());
    EXPECT_EQ(renamed, copy);
    EXPECT_EQ(v.PicturePath(), copy);
    EXPECT_EQ(frame.texts[0], copy);
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_FLIP);
    ASSERT_TRUE(v.Save(QString()));
    CImageObj check;
    ASSERT_TRUE(check.Load(copy.toStdString()));
    EXPECT_EQ(PixelAt(check, 0, 0), Gradient(29, 19));
    ASSERT_TRUE(check.Load(original.toStdString()));
    EXPECT_EQ(PixelAt(check, 0, 0), Gradient(0, 0));
}

// A save that cannot be done names the file and the reason and leaves the old file whole.
TEST_F(PaneEdits, FailedSavesSayWhyAndKeepTheOldFile)
{
    const QString path = files.Write("keep.bmp", 30, 20);
    CViewImage &v = MakePane();
    v.Open(path);
    Post(WMU_TOOLS_COMMAND, ID_TOOLS_MIRROR);
    EXPECT_FALSE(v.Save(files.Path("out.xyz")));
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_TRUE(answers.messages[0].startsWith(QStringLiteral("Cannot save ") + files.Path("out.xyz")));
    EXPECT_TRUE(answers.messages[0].contains(QStringLiteral("unknown format")));
    EXPECT_FALSE(v.Save(files.Path("no/such/folder/out.bmp")));
    EXPECT_TRUE(answers.messages.back().contains(QStringLiteral("does not exist")));
    EXPECT_TRUE(v.IsModified());

    // Leaving with Yes and a failing save keeps the picture.
    answers.answer = QMessageBox::Yes;
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    if (geteuid() != 0) {
        const QByteArray before = [&] {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        answers.messages.clear();
        EXPECT_FALSE(v.Save(QString()));
        ASSERT_EQ(answers.messages.size(), 1u);
        EXPECT_TRUE(answers.messages[0].contains(QStringLiteral("read-only")))
            << answers.messages[0].toStdString();
        v.Open(files.Write("other.bmp", 5, 5));
        EXPECT_EQ(v.PicturePath(), path);
        EXPECT_TRUE(v.IsModified());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before);

        // A read-only folder: no permission.
        QTemporaryDir folder;
        const QString inside = folder.filePath(QStringLiteral("new.bmp"));
        QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_FALSE(v.Save(inside));
        EXPECT_TRUE(answers.messages.back().contains(QStringLiteral("no permission")));
        EXPECT_FALSE(QFile::exists(inside));
        QFile::setPermissions(
            folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// The opening zoom never falls below 10 %, so every column of a long panorama can be scrolled to.
TEST_F(PaneEdits, PanoramaOpensAtTenPercentWithAScrollRange)
{
    CViewImage &v = OpenNew(9000, 100);
    EXPECT_EQ(v.Zoom(), 10);
    const int client = v.viewport()->width();
    EXPECT_EQ(v.horizontalScrollBar()->maximum(), 900 - client);
    EXPECT_GT(v.horizontalScrollBar()->maximum(), 0);
    // The last column shows at the end of the range.
    v.horizontalScrollBar()->setValue(v.horizontalScrollBar()->maximum());
    EXPECT_EQ(v.Origin().x + 900, client);
}

TEST_F(PaneEdits, EscapeAbandonsAPolygonBeingDrawn)
{
    CViewImage &v = OpenNew(200, 100);
    Post(WMU_IMAGE_OPERATION, CViewImage::OpPolygon);
    const POINT o = v.Origin();
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, QPoint(o.x + 10, o.y + 10));
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, QPoint(o.x + 60, o.y + 15));
    auto *tracker = v.Selection().Tracker();
    ASSERT_NE(tracker, nullptr);
    ASSERT_FALSE(tracker->Points().empty());
    QTest::keyClick(&v, Qt::Key_Escape);
    EXPECT_TRUE(tracker->Points().empty());
    EXPECT_FALSE(v.Selection().HasSelection());
}

TEST_F(PaneEdits, OpeningAnUnreadableFileSaysWhich)
{
    CViewImage &v = OpenNew(20, 20);
    v.Open(files.Path("missing.bmp"));
    ASSERT_EQ(answers.messages.size(), 1u);
    EXPECT_EQ(answers.messages[0],
        QStringLiteral("Cannot open %1: the file cannot be read.").arg(files.Path("missing.bmp")));
}
