#include "app/pexoraapp.h"
#include "app/pexoradoc.h"
#include "appcore/appsettings.h"
#include "appcore/programfolder.h"
#include "appcore/regstring.h"
#include "frame/mainframe.h"
#include "imagepane/viewimage.h"
#include "paneapi/ifolderpane.h"
#include "res/resource.h"
#include "tests/common/qtapp.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

class PexoraAppTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetCommandLineFolder(QString());
        QFile file(m_picture);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not really a picture");
    }
    void TearDown() override { SetCommandLineFolder(QString()); }
    bool Start(CPexoraApp &app, const QString &argument = QString())
    {
        QStringList args { u"tarnis-viewer"_s };
        if (!argument.isEmpty())
            args << argument;
        return app.InitInstance(args, m_settings.Path() + u"/bin/tarnis-viewer"_s);
    }

    TempSettings m_settings;
    QString m_picture = m_settings.Path() + u"/beach.jpg"_s;
};

TEST_F(PexoraAppTest, StartWithoutArgumentsMakesANewDocumentAndTheFrame)
{
    CPexoraApp app;
    ASSERT_TRUE(Start(app));
    EXPECT_EQ(GetProgramFolder(), m_settings.Path() + u"/bin"_s);
    CMainFrame *frame = app.GetMainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(frame->windowTitle(), u"Tarnis Viewer - Tarnis Viewer"_s);
    EXPECT_EQ(frame->GetActiveView(), frame->GetFramework().GetWindow(IDV_THUMB_PANE));
}

TEST_F(PexoraAppTest, PictureArgumentBecomesTheDocument)
{
    // Not a picture: the document route takes it, the image pane reports it cannot show it.
    ModalDismisser dismisser;
    CPexoraApp app;
    ASSERT_TRUE(Start(app, m_picture));
    CMainFrame *frame = app.GetMainFrame();
    EXPECT_EQ(frame->windowTitle(), u"beach.jpg - Tarnis Viewer"_s);
    ASSERT_EQ(app.GetRecentFileList().GetCount(), 1);
    EXPECT_EQ(app.GetRecentFileList()[0], QDir::toNativeSeparators(m_picture));
    auto *image = dynamic_cast<CViewImage *>(frame->GetFramework().GetWindow(IDV_IMAGE_PANE));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Picture(), nullptr);
    EXPECT_LE(dismisser.Count(), 1);

    // The recent file becomes a File menu command; New resets the title.
    frame->UpdateCommandUI();
    EXPECT_TRUE(frame->QueryCommandState(ID_FILE_MRU_FILE1).enabled);
    EXPECT_FALSE(frame->QueryCommandState(ID_FILE_MRU_FILE1 + 1).enabled);
    EXPECT_TRUE(frame->OnCommand(ID_FILE_NEW));
    EXPECT_EQ(frame->windowTitle(), u"Tarnis Viewer - Tarnis Viewer"_s);
    EXPECT_TRUE(frame->OnCommand(ID_FILE_MRU_FILE1));
    EXPECT_EQ(frame->windowTitle(), u"beach.jpg - Tarnis Viewer"_s);

    app.ExitInstance();
    CRecentFileList stored(4);
    stored.ReadList();
    ASSERT_EQ(stored.GetCount(), 1);
    EXPECT_EQ(stored[0], QDir::toNativeSeparators(m_picture));
}

TEST_F(PexoraAppTest, FolderArgumentBecomesTheStartFolder)
{
    CPexoraApp app;
    ASSERT_TRUE(Start(app, m_settings.Path()));
    PumpEvents();
    EXPECT_EQ(
        app.GetMainFrame()->GetFolderPane()->GetSelectedPath(), QDir::toNativeSeparators(m_settings.Path()));
    app.GetMainFrame()->close(); // the thumbnail pane stores its folder
    QString stored;
    ASSERT_EQ(ReadRegString(kSettingKey, kLastPathValue, stored), 1);
    EXPECT_EQ(stored, QDir::toNativeSeparators(m_settings.Path()));
}

TEST_F(PexoraAppTest, UnreadableFileArgumentEndsStartUpAfterAMessage)
{
    ModalDismisser dismisser;
    CPexoraApp app;
    EXPECT_FALSE(Start(app, u"/no/such/file.jpg"_s));
    EXPECT_EQ(dismisser.Count(), 1);
    EXPECT_EQ(app.GetRecentFileList().GetCount(), 0);
}

TEST_F(PexoraAppTest, RecentFileThatVanishedIsDroppedFromTheList)
{
    ModalDismisser dismisser;
    CPexoraApp app;
    ASSERT_TRUE(Start(app, m_picture));
    const int shown = dismisser.Count(); // the image pane's word on the non-picture
    ASSERT_TRUE(QFile::remove(m_picture));
    EXPECT_TRUE(app.GetMainFrame()->OnCommand(ID_FILE_MRU_FILE1));
    EXPECT_EQ(app.GetRecentFileList().GetCount(), 0);
    EXPECT_EQ(dismisser.Count(), shown + 1);
    EXPECT_EQ(app.GetMainFrame()->windowTitle(), u"beach.jpg - Tarnis Viewer"_s);
}

TEST_F(PexoraAppTest, DocumentReadsNothingAndRefusesFolders)
{
    CPexoraDoc doc;
    EXPECT_TRUE(doc.OnOpenDocument(m_picture));
    EXPECT_FALSE(doc.OnOpenDocument(m_settings.Path()));
    EXPECT_FALSE(doc.OnOpenDocument(m_settings.Path() + u"/missing.png"_s));
    doc.SetPathName(m_picture);
    EXPECT_EQ(doc.GetTitle(), u"beach.jpg"_s);
    EXPECT_EQ(QFile(m_picture).size(), 20); // untouched
}

} // namespace
