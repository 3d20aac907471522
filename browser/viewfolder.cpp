#include "browser/viewfolder.h"

#include "appcore/appsettings.h"
#include "browser/shelltree.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QVBoxLayout>

namespace
{

QEvent::Type StartEventType()
{
    return static_cast<QEvent::Type>(QEvent::User + 7);
}

} // namespace

CViewFolder::CViewFolder(QWidget *parent)
    : QWidget(parent)
    , m_tree(new CShellTree(this))
    , m_selectedPath(ReadStartFolder())
{
    setObjectName(QStringLiteral("CViewFolder"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
    // The root selected while the tree is built must not replace the start folder.
    m_tree->PopulateTree();
    connect(m_tree, &CShellTree::nodeSelected, this, [this] {
        m_tree->GetSelectedPath(m_selectedPath);
        emit folderChanged();
    });
    QCoreApplication::postEvent(this, new QEvent(StartEventType()));
}

CViewFolder::~CViewFolder() = default;

bool CViewFolder::event(QEvent *e)
{
    if (e->type() == StartEventType()) {
        // A root is what the tree selects by itself; anything below it is walked to.
        if (!m_selectedPath.isEmpty() && !QDir(m_selectedPath).isRoot())
            m_tree->SelectPath(m_selectedPath);
        return true;
    }
    return QWidget::event(e);
}
