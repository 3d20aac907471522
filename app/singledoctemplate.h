// The single-document template (resource 128): one document, one main frame. Opening a document
// creates both on first use; a new document or an opened file replaces the document's content.
#pragma once

#include "platform/wintypes.h"

#include <QString>
#include <memory>

class CMainFrame;
class CPexoraDoc;
class CRecentFileList;
class TCmdTarget;

class CSingleDocTemplate
{
public:
    explicit CSingleDocTemplate(UINT resourceId);
    ~CSingleDocTemplate();

    // Part index of the document string: 0 window title, 1 document name, 2 new-file name,
    // 3 filter, 4 filter extension, 5 registry type id, 6 registry type name.
    QString GetDocString(int index) const;

    // Where the frame sends the commands it does not handle, and the recent-file list it shows
    // and that opened files enter.
    void SetApplication(TCmdTarget *application, CRecentFileList *recentFiles);

    // A new document when path is empty, else path as the document; creates the frame on first
    // use. Null when the frame cannot be made or the file cannot be opened (after a message).
    CPexoraDoc *OpenDocumentFile(const QString &path);

    CPexoraDoc *GetDocument() const { return m_document.get(); }
    CMainFrame *GetFrame() const { return m_frame.get(); }

private:
    UINT m_resourceId;
    TCmdTarget *m_application = nullptr;
    CRecentFileList *m_recentFiles = nullptr;
    std::unique_ptr<CPexoraDoc> m_document;
    std::unique_ptr<CMainFrame> m_frame;
};
