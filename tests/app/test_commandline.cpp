// The command line beyond the document: --help and --version, and a picture argument that opens
// in the image pane with its folder in the browser and its thumbnail selected.
#include "app/commandlineinfo.h"
#include "app/pexoraapp.h"
#include "appcore/appsettings.h"
#include "browser/thumbwnd.h"
#include "frame/browserpanes.h"
#include "frame/mainframe.h"
#include "imagepane/viewimage.h"
#include "paneapi/ifolderpane.h"
#include "res/resource.h"
#include "tests/common/qtapp.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

TEST(CommandLineOptionsTest, HelpAndVersionAnswerTheFirstAsked)
{
    const QString version = u"tarnis-viewer " TARNIS_VERSION "\n"_s;
    struct Case {
        QStringList arguments;
        QString starts; // empty: no text
    } cases[] = {
        { { u"tarnis-viewer"_s }, {} },
        { { u"tarnis-viewer"_s, u"--version"_s }, version },
        { { u"tarnis-viewer"_s, u"--help"_s }, u"Usage: tarnis-viewer [FILE...]\n"_s },
        { { u"tarnis-viewer"_s, u"-h"_s }, u"Usage: tarnis-viewer [FILE...]\n"_s },
        { { u"tarnis-viewer"_s, u"photo.jpg"_s, u"--version"_s }, version },
        { { u"tarnis-viewer"_s, u"--help"_s, u"--version"_s }, u"Usage:"_s },
        { { u"tarnis-viewer"_s, u"--version"_s, u"--help"_s }, version },
        // Near misses and the program's own name are not options.
        { { u"tarnis-viewer"_s, u"--versions"_s, u"-help"_s, u"--"_s }, {} },
        { { u"--help"_s, u"photo.jpg"_s }, {} },
        { {}, {} },
    };
    for (const Case &c : cases) {
        const QString text = CCommandLineInfo::InfoOptionText(c.arguments);
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        if (c.starts.isEmpty())
            EXPECT_TRUE(text.isEmpty()) << text.toStdString();
        else
            EXPECT_TRUE(text.startsWith(c.starts)) << text.toStdString();
    }
}

TEST(CommandLineOptionsTest, FileFolderOnlyForExistingFiles)
{
    TestApp();
    QTemporaryDir dir;
    const QString file = dir.filePath(u"sub/photo.png"_s);
    ASSERT_TRUE(QDir(dir.path()).mkpath(u"sub"_s));
    QFile(file).open(QIODevice::WriteOnly);
    const QString sub = QDir::toNativeSeparators(dir.filePath(u"sub"_s));
    EXPECT_EQ(CCommandLineInfo::FileFolder(file), sub);
    EXPECT_EQ(CCommandLineInfo::FileFolder(dir.filePath(u"sub/../sub/photo.png"_s)), sub);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    EXPECT_EQ(CCommandLineInfo::FileFolder(u"sub/photo.png"_s), sub); // relative to the start folder
    QDir::setCurrent(before);
    EXPECT_EQ(CCommandLineInfo::FileFolder(dir.filePath(u"sub"_s)), QString());
    EXPECT_EQ(CCommandLineInfo::FileFolder(dir.filePath(u"sub/missing.png"_s)), QString());
    EXPECT_EQ(CCommandLineInfo::FileFolder(QString()), QString());
}

class PictureArgumentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetCommandLineFolder(QString());
        ASSERT_TRUE(QDir(m_settings.Path()).mkpath(u"pictures"_s));
        const std::pair<const char *, QColor> pictures[] = {
            { "1-red.png", Qt::red },
            { "2-green.png", Qt::green },
            { "3-blue.bmp", Qt::blue },
        };
        for (const auto &[name, colour] : pictures) {
            QImage image(48, 32, QImage::Format_RGB32);
            image.fill(colour);
            ASSERT_TRUE(image.save(m_folder + u'/' + QLatin1String(name)));
        }
    }
    void TearDown() override { SetCommandLineFolder(QString()); }

    bool Start(CPexoraApp &app, const QString &argument)
    {
        return app.InitInstance(
            { u"tarnis-viewer"_s, argument }, m_settings.Path() + u"/bin/tarnis-viewer"_s);
    }
    static CFramedThumbPane *Thumbs(CPexoraApp &app)
    {
        return dynamic_cast<CFramedThumbPane *>(app.GetMainFrame()->GetThumbPane());
    }
    // Runs events until the grid shows folder and has finished loading it.
    static bool WaitForGrid(CFramedThumbPane *thumbs, const QString &folder)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 20000) {
            PumpEvents();
            if (thumbs->GetFolder() == QDir::toNativeSeparators(folder) && !thumbs->Grid()->IsLoadRunning()
                && !thumbs->Grid()->IsEmpty())
                return true;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return false;
    }
    static std::vector<std::string> Selected(CFramedThumbPane *thumbs)
    {
        return thumbs->Grid()->GetSelectedPaths();
    }

    TempSettings m_settings;
    QString m_folder = m_settings.Path() + u"/pictures"_s;
};

TEST_F(PictureArgumentTest, OpensInThePaneAndIsSelectedInItsFolder)
{
    CPexoraApp app;
    const QString picture = m_folder + u"/2-green.png"_s;
    ASSERT_TRUE(Start(app, picture));
    CMainFrame *frame = app.GetMainFrame();
    EXPECT_EQ(frame->windowTitle(), u"2-green.png - Tarnis Viewer"_s);
    EXPECT_EQ(app.GetRecentFileList().GetCount(), 1);
    auto *image = dynamic_cast<CViewImage *>(frame->GetFramework().GetWindow(IDV_IMAGE_PANE));
    ASSERT_NE(image, nullptr);
    ASSERT_NE(image->Picture(), nullptr);

    CFramedThumbPane *thumbs = Thumbs(app);
    ASSERT_NE(thumbs, nullptr);
    ASSERT_TRUE(WaitForGrid(thumbs, m_folder));
    EXPECT_EQ(frame->GetFolderPane()->GetSelectedPath(), QDir::toNativeSeparators(m_folder));
    // The tree's start walk loads the folder once more; the selection survives it.
    PumpEvents();
    ASSERT_TRUE(WaitForGrid(thumbs, m_folder));
    EXPECT_EQ(Selected(thumbs), std::vector<std::string> { picture.toStdString() });
    EXPECT_EQ(thumbs->GetCurrentFile(), picture);
}

TEST_F(PictureArgumentTest, FolderReachedThroughALinkStillSelects)
{
    const QString link = m_settings.Path() + u"/linked"_s;
    ASSERT_TRUE(QFile::link(m_folder, link));
    CPexoraApp app;
    ASSERT_TRUE(Start(app, link + u"/3-blue.bmp"_s));
    CFramedThumbPane *thumbs = Thumbs(app);
    ASSERT_TRUE(WaitForGrid(thumbs, link));
    const std::vector<std::string> selected = Selected(thumbs);
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_TRUE(QString::fromStdString(selected[0]).endsWith(u"/3-blue.bmp"_s));
}

TEST_F(PictureArgumentTest, RequestEndsWhenTheGridMovesOnOrTheUserChooses)
{
    CPexoraApp app;
    ASSERT_TRUE(Start(app, m_folder + u"/1-red.png"_s));
    CFramedThumbPane *thumbs = Thumbs(app);
    ASSERT_TRUE(WaitForGrid(thumbs, m_folder));
    EXPECT_EQ(Selected(thumbs).size(), 1u);

    // Another folder, then back: the picture is no longer selected on its own.
    const QString other = m_settings.Path() + u"/other"_s;
    ASSERT_TRUE(QDir(m_settings.Path()).mkpath(u"other"_s));
    ASSERT_TRUE(QFile::copy(m_folder + u"/1-red.png"_s, other + u"/copy.png"_s));
    thumbs->SetFolder(other, 1);
    ASSERT_TRUE(WaitForGrid(thumbs, other));
    EXPECT_TRUE(thumbs->PendingSelection().isEmpty());
    thumbs->SetFolder(m_folder, 1);
    ASSERT_TRUE(WaitForGrid(thumbs, m_folder));
    EXPECT_TRUE(Selected(thumbs).empty());

    // A request while the grid already shows the folder selects at once.
    thumbs->SelectAfterLoad(m_folder + u"/3-blue.bmp"_s);
    EXPECT_EQ(Selected(thumbs), std::vector<std::string> { (m_folder + u"/3-blue.bmp"_s).toStdString() });
    // A missing name selects nothing and keeps nothing selected.
    thumbs->SelectAfterLoad(m_folder + u"/4-gone.png"_s);
    EXPECT_TRUE(Selected(thumbs).empty());
}

} // namespace
