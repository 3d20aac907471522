// The folder pane: the folder tree filling the pane. It starts on the last browsed folder and
// announces every change of the selected folder to the main frame.
#pragma once

#include <QString>
#include <QWidget>

class CShellTree;

class CViewFolder : public QWidget
{
    Q_OBJECT

public:
    explicit CViewFolder(QWidget *parent = nullptr);
    ~CViewFolder() override;

    // The folder of the selected node (the last one that had a folder).
    QString GetSelectedPath() const { return m_selectedPath; }
    // Replaces the folder the pane walks to at start (for a folder given on the command line);
    // takes effect when called before the start walk runs, i.e. before control returns to the
    // event loop after construction.
    void SetStartPath(const QString &path) { m_selectedPath = path; }
    CShellTree *Tree() const { return m_tree; }

signals:
    // The selected node changed (also when its folder did not). Connect with
    // Qt::QueuedConnection: the notification is posted, never sent.
    void folderChanged();

protected:
    bool event(QEvent *e) override;

private:
    CShellTree *m_tree;
    QString m_selectedPath;
};
