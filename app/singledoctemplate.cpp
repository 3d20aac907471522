#include "app/singledoctemplate.h"

#include "app/pexoradoc.h"
#include "appcore/recentfilelist.h"
#include "frame/mainframe.h"
#include "framework/truntimeclass.h"
#include "res/resource.h"
#include "res/strings.h"

#include <QMessageBox>

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId)
    : m_resourceId(resourceId)
{
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    m_frame.reset();
    m_document.reset();
}

QString CSingleDocTemplate::GetDocString(int index) const
{
    return ResSubString(m_resourceId, index);
}

void CSingleDocTemplate::SetApplication(TCmdTarget *application, CRecentFileList *recentFiles)
{
    m_application = application;
    m_recentFiles = recentFiles;
    if (m_frame) {
        m_frame->SetAppCommandTarget(application);
        m_frame->SetRecentFileList(recentFiles);
    }
}

CPexoraDoc *CSingleDocTemplate::OpenDocumentFile(const QString &path)
{
    if (!m_document)
        m_document = std::make_unique<CPexoraDoc>();
    if (!m_frame) {
        auto frame = std::make_unique<CMainFrame>();
        frame->SetAppCommandTarget(m_application);
        frame->SetRecentFileList(m_recentFiles);
        TCreateContext context;
        context.document = m_document.get();
        if (!frame->Create(&context))
            return nullptr;
        m_frame = std::move(frame);
    }
    if (path.isEmpty()) {
        if (!m_document->OnNewDocument())
            return nullptr;
    } else {
        if (!m_document->OnOpenDocument(path)) {
            QMessageBox::critical(m_frame.get(), GetDocString(0), LoadResString(AFX_IDP_FAILED_TO_OPEN_DOC));
            return nullptr;
        }
        m_document->SetPathName(path);
        if (m_recentFiles)
            m_recentFiles->Add(m_document->GetPathName());
    }
    m_frame->OnUpdateFrameTitle(m_document->GetTitle());
    return m_document.get();
}
