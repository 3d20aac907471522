#include "browser/viewthumb.h"

#include "appcore/appsettings.h"
#include "browser/thumbwnd.h"

#include <QResizeEvent>

CViewThumb::CViewThumb(const ThumbCodec &codec, QWidget *parent)
    : QWidget(parent)
    , m_grid(new CThumbWnd(codec))
{
    Create();
}

void CViewThumb::Create()
{
    setObjectName(QStringLiteral("CViewThumb"));
    m_grid->CreateChild(rect(), this);
    m_grid->SetBoxSize(100, 100);
    QString start = ReadStartFolder();
    m_grid->SetFolder(start.toUtf8().toStdString(), 1);
    m_grid->show();
    connect(m_grid, &CThumbWnd::thumbChosen, this, &CViewThumb::thumbChosen);
}

CViewThumb::~CViewThumb()
{
    Shutdown();
}

void CViewThumb::Shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    if (!m_grid->GetFolder().empty())
        WriteLastPath(QString::fromUtf8(m_grid->GetFolder().c_str()));
    m_grid->Close();
}

void CViewThumb::SetFolder(const QString &path, int mode)
{
    m_grid->SetFolder(path.toUtf8().toStdString(), mode);
}

bool CViewThumb::GetCurrentFile(QString &path)
{
    std::string current;
    if (m_grid->GetCurrentFile(current) == 0) {
        path.clear();
        return false;
    }
    path = QString::fromUtf8(current.c_str());
    return true;
}

QString CViewThumb::NeighbourFile(bool next) const
{
    std::string path;
    if (m_grid->GetNeighbourFile(next ? 1 : 0, path) == 0)
        return QString();
    return QString::fromUtf8(path.c_str());
}

void CViewThumb::SelectPrevious()
{
    m_grid->SelectNeighbour(0);
}

void CViewThumb::SelectNext()
{
    m_grid->SelectNeighbour(1);
}

QString CViewThumb::GetFolder() const
{
    return QString::fromUtf8(m_grid->GetFolder().c_str());
}

void CViewThumb::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    m_grid->setGeometry(rect());
    m_grid->update();
}
