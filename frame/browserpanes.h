// The browser's panes as the main frame sees them: the folder tree and the thumbnail pane with
// the frame's pane interfaces, their notifications posted to the frame.
#pragma once

#include "browser/viewfolder.h"
#include "browser/viewthumb.h"
#include "paneapi/ifolderpane.h"
#include "paneapi/ithumbpane.h"

class CFramedFolderPane : public CViewFolder, public IFolderPane
{
    Q_OBJECT
public:
    explicit CFramedFolderPane(QWidget *parent = nullptr);
    QString GetSelectedPath() const override { return CViewFolder::GetSelectedPath(); }
};

class CFramedThumbPane : public CViewThumb, public IThumbPane
{
    Q_OBJECT
public:
    explicit CFramedThumbPane(QWidget *parent = nullptr);
    void SetFolder(const QString &folder, int mode) override { CViewThumb::SetFolder(folder, mode); }
    QString GetCurrentFile() const override;
    void SelectPrevious() override { CViewThumb::SelectPrevious(); }
    void SelectNext() override { CViewThumb::SelectNext(); }
    QString NeighbourFile(bool next) const override { return CViewThumb::NeighbourFile(next); }

    // Selects the picture at path whenever the grid finishes loading the picture's folder (at
    // once when it shows it already): the start-up walk of the folder tree may load it twice.
    // The request ends with the user's first choice of a thumbnail or when the grid, after
    // showing the folder, loads another one.
    void SelectAfterLoad(const QString &path);
    QString PendingSelection() const { return m_selectAfterLoad; }

private:
    bool SelectPending();

    QString m_selectAfterLoad;
    bool m_selectionShown = false;
};
