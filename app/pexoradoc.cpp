#include "app/pexoradoc.h"

#include "platform/files.h"
#include "res/resource.h"
#include "res/strings.h"

#include <QDir>
#include <QFileInfo>

CPexoraDoc::CPexoraDoc(QObject *parent)
    : QObject(parent)
{
}

CPexoraDoc::~CPexoraDoc() = default;

bool CPexoraDoc::OnNewDocument()
{
    m_pathName.clear();
    SetTitle(LoadResString(AFX_IDS_APP_TITLE));
    return true;
}

bool CPexoraDoc::OnOpenDocument(const QString &path)
{
    // Folders, FIFOs and devices are refused without waiting on them.
    if (!CanReadRegularFile(path.toStdString()))
        return false;
    // The document's serialisation reads nothing.
    return true;
}

void CPexoraDoc::SetPathName(const QString &path)
{
    const QFileInfo info(path);
    m_pathName = QDir::toNativeSeparators(info.absoluteFilePath());
    m_title = info.fileName();
}
