#include "app/pexoraapp.h"

#include "app/commandlineinfo.h"
#include "app/pexoradoc.h"
#include "app/singledoctemplate.h"
#include "appcore/appsettings.h"
#include "appcore/programfolder.h"
#include "frame/dialogfactory.h"
#include "frame/mainframe.h"
#include "imagepane/printpicture.h"
#include "paneapi/iimagepane.h"
#include "res/resource.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrinter>

namespace
{
constexpr int kRecentFileCount = 4;
}

CPexoraApp::CPexoraApp()
    : m_recentFiles(kRecentFileCount)
{
}

CPexoraApp::~CPexoraApp()
{
    m_template.reset();
}

bool CPexoraApp::InitInstance(const QStringList &arguments, const QString &modulePath)
{
    // 1. Hosting of embedded controls: nothing to set up with Qt.
    // 2. The program folder.
    m_programFolder = ProgramFolderFromModulePath(QDir::toNativeSeparators(modulePath));
    SetProgramFolder(m_programFolder);
    // 3. Three-dimensional controls: the style's own.
    // 4, 5. The framework's settings below kRegistryRoot, with a recent-file list of four.
    m_recentFiles.ReadList();
    // 6. The document template.
    m_template = std::make_unique<CSingleDocTemplate>(IDR_MAINFRAME);
    m_template->SetApplication(this, &m_recentFiles);
    // 7. The command line.
    if (!ProcessShellCommand(arguments))
        return false;
    // 8. Show the main window in its current (maximised) state.
    CMainFrame *frame = GetMainFrame();
    frame->show();
    frame->raise();
    frame->activateWindow();
    return true;
}

bool CPexoraApp::ProcessShellCommand(const QStringList &arguments)
{
    const CCommandLineInfo info = CCommandLineInfo::Parse(arguments);
    if (!info.folder.isEmpty())
        SetCommandLineFolder(info.folder);
    if (info.shellCommand != CCommandLineInfo::FileOpen)
        return m_template->OpenDocumentFile(QString()) != nullptr;
    // A picture also opens in the image pane, its folder in the browser with the picture selected.
    const QString folder = CCommandLineInfo::FileFolder(info.fileName);
    if (!folder.isEmpty())
        SetCommandLineFolder(folder);
    if (m_template->OpenDocumentFile(info.fileName) == nullptr)
        return false;
    if (!folder.isEmpty())
        GetMainFrame()->ShowPicture(GetDocument()->GetPathName());
    return true;
}

void CPexoraApp::ExitInstance()
{
    m_recentFiles.WriteList();
}

CMainFrame *CPexoraApp::GetMainFrame() const
{
    return m_template ? m_template->GetFrame() : nullptr;
}

CPexoraDoc *CPexoraApp::GetDocument() const
{
    return m_template ? m_template->GetDocument() : nullptr;
}

bool CPexoraApp::OnCmdMsg(UINT id, TCmdUI *update)
{
    const bool recent = id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount;
    if (id != ID_FILE_NEW && id != ID_FILE_OPEN && id != ID_FILE_PRINT_SETUP && id != ID_APP_ABOUT && !recent)
        return false;
    if (update) {
        update->Enable(!recent || static_cast<int>(id - ID_FILE_MRU_FILE1) < m_recentFiles.GetCount());
        return true;
    }
    if (recent)
        OpenRecentFile(static_cast<int>(id - ID_FILE_MRU_FILE1));
    else if (id == ID_FILE_NEW)
        OnFileNew();
    else if (id == ID_FILE_OPEN)
        OnFileOpen();
    else if (id == ID_FILE_PRINT_SETUP)
        OnFilePrintSetup();
    else
        OnAppAbout();
    return true;
}

bool CPexoraApp::OpenDocumentFile(const QString &path)
{
    return m_template && m_template->OpenDocumentFile(path) != nullptr;
}

bool CPexoraApp::OpenAndShow(const QString &path)
{
    CMainFrame *frame = GetMainFrame();
    IImagePane *image = frame ? frame->GetImagePane() : nullptr;
    // A modified picture is not dropped without a question; Cancel keeps it and the document.
    if (image && !image->ConfirmLeave())
        return true;
    if (!OpenDocumentFile(path))
        return false;
    if (image)
        image->Open(path);
    return true;
}

bool CPexoraApp::OpenRecentFile(int index)
{
    const QString path = m_recentFiles[index];
    if (path.isEmpty())
        return false;
    if (OpenAndShow(path))
        return true;
    m_recentFiles.Remove(index);
    return false;
}

void CPexoraApp::OnFileNew()
{
    OpenDocumentFile(QString());
}

void CPexoraApp::OnFileOpen()
{
    QFileDialog dialog(GetMainFrame(), QStringLiteral("Open"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("All Files (*)"));
    // Starts in the shown picture's folder.
    if (CMainFrame *frame = GetMainFrame())
        if (IImagePane *image = frame->GetImagePane(); image && !image->PicturePath().isEmpty())
            dialog.setDirectory(QFileInfo(image->PicturePath()).absolutePath());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        OpenAndShow(dialog.selectedFiles().constFirst());
}

void CPexoraApp::OnFilePrintSetup()
{
    // The printer every print starts from.
    QPageSetupDialog dialog(&ProgramPrinter(), GetMainFrame());
    dialog.exec();
}

void CPexoraApp::OnAppAbout()
{
    ShowAboutBox(GetMainFrame());
}
