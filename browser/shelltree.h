// The folder tree: the file system's folders (the roots, then every folder below), filled on
// demand, sorted by name, hidden folders left out. A node shows an expand button before it is
// first opened when its folder has sub-folders. Every change of the current node is announced.
#pragma once

#include <QTreeWidget>

class QFileSystemWatcher;

class CShellTree : public QTreeWidget
{
    Q_OBJECT

public:
    static constexpr int kControlId = 137;

    explicit CShellTree(QWidget *parent = nullptr);

    // Rebuilds the roots, expands the first one and selects it.
    void PopulateTree();
    // Adds the sub-folders of node's folder under it (the roots for null), in sorted order.
    void FillFolder(QTreeWidgetItem *node);
    // Fills a node the first time it opens.
    void OnExpanding(QTreeWidgetItem *node);
    // path := the current node's folder (unchanged when it has none); fills the node's children
    // when it has sub-folders and was never opened. False when there is no current node.
    bool GetSelectedPath(QString &path);
    // Walks from the root that holds path down its components, selecting each node found (names
    // compared exactly first, then without regard to case). A path that does not exist shows the
    // "Folder not found" box instead.
    void SelectPath(const QString &path);

    static QString NodePath(const QTreeWidgetItem *node);
    static bool ExpandedOnce(const QTreeWidgetItem *node);

signals:
    // The current node changed (also when its path is the one shown before).
    void nodeSelected();

private:
    // A watched folder changed: its filled nodes get their sub-folders again.
    void OnFolderChanged(const QString &path);
    void UpdateChildren(QTreeWidgetItem *node);
    QTreeWidgetItem *MakeNode(const QString &path, const QString &text);
    void SelectNode(QTreeWidgetItem *node);

    QFileSystemWatcher *m_watcher = nullptr;
};
