#include "app/appsettings.h"
#include "app/pexoraapp.h"
#include "app/pexoradoc.h"
#include "app/programfolder.h"
#include "app/regstring.h"
#include "app/singledoctemplate.h"
#include "frame/ifolderpane.h"
#include "frame/ithumbpane.h"
#include "frame/mainframe.h"
#include "imagepane/viewimage.h"
#include "res/resource.h"
#include "tests/common/qtapp.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace
{

class PexoraAppTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetCommandLineFolder(QString());
        m_picture = m_settings.Path() + QStringLiteral("/beach.jpg");
        QFile file(m_picture);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not really a picture");
    }

    void TearDown() override { SetCommandLineFolder(QString()); }

    QString Module() const { return m_settings.Path() + QStringLiteral("/bin/tarnis-viewer"); }

    TempSettings m_settings;
    QString m_picture;
};

TEST_F(PexoraAppTest, StartWithoutArgumentsMakesANewDocumentAndTheFrame)
{
    CPexoraApp app;
    ASSERT_TRUE(app.InitInstance({ QStringLiteral("tarnis-viewer") }, Module()));
    EXPECT_EQ(app.GetProgramFolder(), m_settings.Path() + QStringLiteral("/bin"));
    EXPECT_EQ(GetProgramFolder(), app.GetProgramFolder());
    CMainFrame *frame = app.GetMainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(app.GetDocument()->GetTitle(), QStringLiteral("Tarnis Viewer"));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Tarnis Viewer - Tarnis Viewer"));
    EXPECT_EQ(app.GetDocTemplate()->GetDocString(2), QStringLiteral("Pexora"));
    DWORD count = 0;
    ASSERT_TRUE(ReadRegDword(kSettingKey, kRuntimesValue, count));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(frame->GetActiveView(), frame->GetFramework().GetWindow(IDV_THUMB_PANE));
}

TEST_F(PexoraAppTest, PictureArgumentBecomesTheDocumentOnly)
{
    CPexoraApp app;
    ASSERT_TRUE(app.InitInstance({ QStringLiteral("tarnis-viewer"), m_picture }, Module()));
    CMainFrame *frame = app.GetMainFrame();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("beach.jpg - Tarnis Viewer"));
    ASSERT_EQ(app.GetRecentFileList().GetCount(), 1);
    EXPECT_EQ(app.GetRecentFileList()[0], QDir::toNativeSeparators(m_picture));
    auto *image = dynamic_cast<CViewImage *>(frame->GetFramework().GetWindow(IDV_IMAGE_PANE));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Picture(), nullptr); // the image pane stays empty

    // The recent file becomes a File menu command; New resets the title.
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->QueryCommandState(ID_FILE_MRU_FILE1).enabled);
    EXPECT_FALSE(frame->QueryCommandState(ID_FILE_MRU_FILE1 + 1).enabled);
    EXPECT_TRUE(frame->GetCommandAction(ID_FILE_NEW)->isEnabled());
    EXPECT_TRUE(frame->OnCommand(ID_FILE_NEW));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Tarnis Viewer - Tarnis Viewer"));
    EXPECT_TRUE(frame->OnCommand(ID_FILE_MRU_FILE1));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("beach.jpg - Tarnis Viewer"));

    app.ExitInstance();
    CRecentFileList stored(4);
    stored.ReadList();
    ASSERT_EQ(stored.GetCount(), 1);
    EXPECT_EQ(stored[0], QDir::toNativeSeparators(m_picture));
}

TEST_F(PexoraAppTest, FolderArgumentBecomesTheStartFolder)
{
    CPexoraApp app;
    ASSERT_TRUE(app.InitInstance({ QStringLiteral("tarnis-viewer"), m_settings.Path() }, Module()));
    PumpEvents();
    IThumbPane *thumbs = app.GetMainFrame()->GetThumbPane();
    ASSERT_NE(thumbs, nullptr);
    EXPECT_EQ(
        app.GetMainFrame()->GetFolderPane()->GetSelectedPath(), QDir::toNativeSeparators(m_settings.Path()));
    EXPECT_EQ(app.GetMainFrame()->windowTitle(), QStringLiteral("Tarnis Viewer - Tarnis Viewer"));
    app.GetMainFrame()->close(); // the thumbnail pane stores its folder
    QString stored;
    ASSERT_EQ(ReadRegString(kSettingKey, kLastPathValue, stored), 1);
    EXPECT_EQ(stored, QDir::toNativeSeparators(m_settings.Path()));
}

TEST_F(PexoraAppTest, UnreadableFileArgumentEndsStartUpAfterAMessage)
{
    ModalDismisser dismisser;
    CPexoraApp app;
    EXPECT_FALSE(
        app.InitInstance({ QStringLiteral("tarnis-viewer"), QStringLiteral("/no/such/file.jpg") }, Module()));
    EXPECT_EQ(dismisser.Count(), 1);
    EXPECT_EQ(app.GetRecentFileList().GetCount(), 0);
}

TEST_F(PexoraAppTest, RecentFileThatVanishedIsDroppedFromTheList)
{
    ModalDismisser dismisser;
    CPexoraApp app;
    ASSERT_TRUE(app.InitInstance({ QStringLiteral("tarnis-viewer"), m_picture }, Module()));
    ASSERT_TRUE(QFile::remove(m_picture));
    EXPECT_TRUE(app.GetMainFrame()->OnCommand(ID_FILE_MRU_FILE1));
    EXPECT_EQ(app.GetRecentFileList().GetCount(), 0);
    EXPECT_EQ(dismisser.Count(), 1);
    EXPECT_EQ(app.GetMainFrame()->windowTitle(), QStringLiteral("beach.jpg - Tarnis Viewer"));
}

TEST_F(PexoraAppTest, DocumentReadsNothingAndRefusesFolders)
{
    CPexoraDoc doc;
    EXPECT_TRUE(doc.OnOpenDocument(m_picture));
    EXPECT_FALSE(doc.OnOpenDocument(m_settings.Path()));
    EXPECT_FALSE(doc.OnOpenDocument(m_settings.Path() + QStringLiteral("/missing.png")));
    doc.SetPathName(m_picture);
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("beach.jpg"));
    QFile file(m_picture);
    EXPECT_EQ(file.size(), 20); // untouched
}

} // namespace
