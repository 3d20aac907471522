#include "browser/shelltree.h"

#include "browser/browsermessage.h"
#include "platform/files.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QStyle>
#include <vector>

namespace
{

constexpr int kPathRole = Qt::UserRole;
constexpr int kExpandedRole = Qt::UserRole + 1;

bool HasSubFolders(const QString &path)
{
    QDirIterator it(path, QDir::Dirs | QDir::NoDotAndDotDot);
    return it.hasNext();
}

QString JoinPath(const QString &folder, const QString &name)
{
    return folder.endsWith(QDir::separator()) || folder.endsWith(QLatin1Char('/'))
        ? folder + name
        : folder + QDir::separator() + name;
}

bool SameRoot(const QString &a, const QString &b)
{
#ifdef _WIN32
    return QDir::cleanPath(a).compare(QDir::cleanPath(b), Qt::CaseInsensitive) == 0;
#else
    return QDir::cleanPath(a) == QDir::cleanPath(b);
#endif
}

} // namespace

CShellTree::CShellTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("CShellTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemExpanded, this, &CShellTree::OnExpanding);
    // Every filled node's folder is watched: sub-folders created or removed show in the tree.
    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &CShellTree::OnFolderChanged);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *current) {
        if (current == nullptr)
            return;
        // The walk to a start path relies on each selected node having its children.
        QString unused;
        GetSelectedPath(unused);
        emit nodeSelected();
    });
}

QString CShellTree::NodePath(const QTreeWidgetItem *node)
{
    return node != nullptr ? node->data(0, kPathRole).toString() : QString();
}

bool CShellTree::ExpandedOnce(const QTreeWidgetItem *node)
{
    return node != nullptr && node->data(0, kExpandedRole).toBool();
}

QTreeWidgetItem *CShellTree::MakeNode(const QString &path, const QString &text)
{
    auto *node = new QTreeWidgetItem(QStringList(text));
    node->setData(0, kPathRole, path);
    node->setData(0, kExpandedRole, false);
    node->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    node->setChildIndicatorPolicy(
        HasSubFolders(path) ? QTreeWidgetItem::ShowIndicator : QTreeWidgetItem::DontShowIndicator);
    return node;
}

void CShellTree::PopulateTree()
{
    clear();
    FillFolder(nullptr);
    QTreeWidgetItem *first = topLevelItem(0);
    if (first == nullptr)
        return;
    first->setExpanded(true);
    setCurrentItem(first);
}

void CShellTree::FillFolder(QTreeWidgetItem *node)
{
    if (node == nullptr) {
        for (const QFileInfo &drive : QDir::drives()) {
            QString path = QDir::toNativeSeparators(drive.absoluteFilePath());
            QTreeWidgetItem *root = MakeNode(path, path);
            root->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
            addTopLevelItem(root);
        }
        return;
    }
    QString folder = NodePath(node);
    QList<QTreeWidgetItem *> children;
    for (const FolderEntry &entry : ListFolder(folder.toUtf8().toStdString())) {
        if (!entry.isFolder || entry.isHidden || entry.name.empty())
            continue;
        QString name = QString::fromUtf8(entry.name.c_str());
        children.append(MakeNode(JoinPath(folder, name), name));
    }
    node->addChildren(children);
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    if (!folder.isEmpty() && !m_watcher->directories().contains(folder))
        m_watcher->addPath(folder);
}

void CShellTree::OnFolderChanged(const QString &path)
{
    std::vector<QTreeWidgetItem *> nodes;
    std::vector<QTreeWidgetItem *> todo;
    for (int i = 0; i < topLevelItemCount(); ++i)
        todo.push_back(topLevelItem(i));
    while (!todo.empty()) {
        QTreeWidgetItem *node = todo.back();
        todo.pop_back();
        if (!ExpandedOnce(node))
            continue;
        if (NodePath(node) == path)
            nodes.push_back(node);
        for (int i = 0; i < node->childCount(); ++i)
            todo.push_back(node->child(i));
    }
    for (QTreeWidgetItem *node : nodes)
        UpdateChildren(node);
}

void CShellTree::UpdateChildren(QTreeWidgetItem *node)
{
    QString folder = NodePath(node);
    QStringList names;
    for (const FolderEntry &entry : ListFolder(folder.toUtf8().toStdString()))
        if (entry.isFolder && !entry.isHidden && !entry.name.empty())
            names.append(QString::fromUtf8(entry.name.c_str()));
    // Gone sub-folders leave; a current node among them hands the selection to this one.
    for (int i = node->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem *child = node->child(i);
        if (names.contains(child->text(0)))
            continue;
        for (QTreeWidgetItem *at = currentItem(); at != nullptr; at = at->parent()) {
            if (at == child) {
                setCurrentItem(node);
                break;
            }
        }
        delete node->takeChild(i);
    }
    // New ones take their place in the listing's order (the children kept are in that order).
    for (int i = 0; i < names.size(); ++i) {
        if (i < node->childCount() && node->child(i)->text(0) == names[i])
            continue;
        node->insertChild(i, MakeNode(JoinPath(folder, names[i]), names[i]));
    }
}

void CShellTree::OnExpanding(QTreeWidgetItem *node)
{
    if (node == nullptr || ExpandedOnce(node))
        return;
    node->setData(0, kExpandedRole, true);
    FillFolder(node);
}

bool CShellTree::GetSelectedPath(QString &path)
{
    QTreeWidgetItem *node = currentItem();
    if (node == nullptr)
        return false;
    QString nodePath = NodePath(node);
    if (!nodePath.isEmpty())
        path = nodePath;
    if (node->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator && !ExpandedOnce(node)) {
        node->setData(0, kExpandedRole, true);
        FillFolder(node);
    }
    return true;
}

void CShellTree::SelectNode(QTreeWidgetItem *node)
{
    scrollToItem(node);
    setCurrentItem(node);
}

void CShellTree::SelectPath(const QString &path)
{
    QString probe = path;
    if (probe.size() > 1 && (probe.endsWith(QLatin1Char('/')) || probe.endsWith(QDir::separator())))
        probe.chop(1);
    if (probe.isEmpty() || !QFileInfo::exists(probe)) {
        ShowBrowserMessage(this, path, QStringLiteral("Folder not found"), MessageIcon::Stop);
        return;
    }
    QString full = QDir::fromNativeSeparators(QFileInfo(probe).absoluteFilePath());
    QTreeWidgetItem *node = nullptr;
    QString rest;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem *root = topLevelItem(i);
        QString rootPath = QDir::fromNativeSeparators(NodePath(root));
        if (full.startsWith(rootPath, Qt::CaseInsensitive)
            && SameRoot(full.left(rootPath.size()), rootPath)) {
            node = root;
            rest = full.mid(rootPath.size());
            break;
        }
    }
    if (node == nullptr)
        return;
    SelectNode(node);
    for (const QString &component : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        QTreeWidgetItem *exact = nullptr;
        QTreeWidgetItem *folded = nullptr;
        for (int i = 0; i < node->childCount(); ++i) {
            QTreeWidgetItem *child = node->child(i);
            if (child->text(0) == component) {
                exact = child;
                break;
            }
            if (folded == nullptr && child->text(0).compare(component, Qt::CaseInsensitive) == 0)
                folded = child;
        }
        QTreeWidgetItem *next = exact != nullptr ? exact : folded;
        if (next == nullptr)
            return;
        node = next;
        SelectNode(node);
    }
}
