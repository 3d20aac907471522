#include "app/pexoraapp.h"
#include "app/pexoradoc.h"
#include "appcore/appsettings.h"
#include "appcore/programfolder.h"
#include "appcore/regstring.h"
#include "frame/mainframe.h"
#include "imagepane/viewimage.h"
#include "paneapi/ifolderpane.h"
#include "res/resource.h"
#include "tests/common/messagecatcher.h"
#include "tests/common/qtapp.h"
#include "tests/image/testpictures.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
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
    MessageCatcher messages; // the pane says it cannot show the file
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
    // The image pane's word on the non-picture, once its decode worker has read the file.
    ASSERT_TRUE(PumpEventsUntil([&] { return dismisser.Count() == 1; }));
    const int shown = dismisser.Count();
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

namespace
{

QString WritePicture(const QString &path, int width, int height)
{
    CImageObj picture;
    return testpic::Make(picture, width, height, 24) && picture.Save(path.toStdString()) ? path : QString();
}

} // namespace

// File › Open (Ctrl+O) and a Recent Files entry end in the picture shown, a file that is no
// picture in a message naming it.
TEST_F(PexoraAppTest, OpeningAFileShowsThePicture)
{
    const QString first = WritePicture(m_settings.Path() + u"/first.bmp"_s, 30, 20);
    const QString second = WritePicture(m_settings.Path() + u"/second.bmp"_s, 12, 34);
    ASSERT_FALSE(second.isEmpty());
    CPexoraApp app;
    ASSERT_TRUE(Start(app, first)); // the command line shows the picture too
    CMainFrame *frame = app.GetMainFrame();
    auto *image = dynamic_cast<CViewImage *>(frame->GetFramework().GetWindow(IDV_IMAGE_PANE));
    ASSERT_NE(image, nullptr);
    ASSERT_NE(image->Picture(), nullptr);
    EXPECT_TRUE(frame->OnCommand(ID_FILE_NEW));
    EXPECT_TRUE(frame->OnCommand(ID_FILE_MRU_FILE1));
    ASSERT_NE(image->Picture(), nullptr);
    EXPECT_EQ(image->Picture()->Width(), 30);

    // Ctrl+O: the dialog starts in the picture's folder; the chosen file is shown.
    QString startFolder;
    {
        MessageCatcher dialogs([&](QDialog *dialog) {
            if (auto *files = qobject_cast<QFileDialog *>(dialog)) {
                startFolder = files->directory().absolutePath();
                files->selectFile(second);
                dialog->accept();
            } else {
                dialog->reject();
            }
        });
        EXPECT_TRUE(frame->OnCommand(ID_FILE_OPEN));
    }
    EXPECT_EQ(startFolder, QFileInfo(first).absolutePath());
    ASSERT_NE(image->Picture(), nullptr);
    EXPECT_EQ(image->Picture()->Width(), 12);
    EXPECT_EQ(frame->windowTitle(), u"second.bmp - Tarnis Viewer"_s);

    // The first recent file is now second.bmp, the second first.bmp.
    EXPECT_TRUE(frame->OnCommand(ID_FILE_MRU_FILE1 + 1));
    EXPECT_EQ(image->Picture()->Width(), 30);
    EXPECT_EQ(frame->windowTitle(), u"first.bmp - Tarnis Viewer"_s);

    MessageCatcher messages([&](QDialog *dialog) {
        if (auto *files = qobject_cast<QFileDialog *>(dialog))
            files->selectFile(m_picture);
        dialog->accept();
    });
    EXPECT_TRUE(frame->OnCommand(ID_FILE_OPEN));
    EXPECT_EQ(image->Picture(), nullptr);
    ASSERT_EQ(messages.Texts().size(), 1);
    EXPECT_TRUE(messages.Texts()[0].startsWith(u"Cannot open "_s + QDir::toNativeSeparators(m_picture)));
}
