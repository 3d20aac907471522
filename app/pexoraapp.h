// The application object: records the program folder, loads the recent-file list, sets up the
// document template and processes the command line, which creates the main frame.
#pragma once

#include "appcore/recentfilelist.h"
#include "framework/tcmdtarget.h"

#include <QString>
#include <QStringList>
#include <memory>

class CMainFrame;
class CPexoraDoc;
class CSingleDocTemplate;

class CPexoraApp : public TCmdTarget
{
public:
    CPexoraApp();
    ~CPexoraApp() override;

    CPexoraApp(const CPexoraApp &) = delete;
    CPexoraApp &operator=(const CPexoraApp &) = delete;

    // Start-up in the stated order; false ends the program. modulePath is the executable's path.
    bool InitInstance(const QStringList &arguments, const QString &modulePath);
    // Saves the recent-file list.
    void ExitInstance();

    const QString &GetProgramFolder() const { return m_programFolder; }
    CMainFrame *GetMainFrame() const;
    CPexoraDoc *GetDocument() const;
    CRecentFileList &GetRecentFileList() { return m_recentFiles; }
    CSingleDocTemplate *GetDocTemplate() const { return m_template.get(); }

    bool OnCmdMsg(UINT id, TCmdUI *update) override;

    // The framework's document route: path becomes the document and enters the recent-file list.
    bool OpenDocumentFile(const QString &path);
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    void OnAppAbout();

private:
    bool ProcessShellCommand(const QStringList &arguments);
    bool OpenRecentFile(int index);
    // File › Open and Recent Files: the document, and the picture shown in the image pane (after
    // the question about a modified one; Cancel keeps both).
    bool OpenAndShow(const QString &path);

    QString m_programFolder;
    CRecentFileList m_recentFiles;
    std::unique_ptr<CSingleDocTemplate> m_template;
};
