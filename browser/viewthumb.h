// The thumbnail pane: one thumbnail grid filling the pane, started on the last browsed folder,
// which it stores again when it closes. The main frame talks to the browser through it.
#pragma once

#include <QString>
#include <QWidget>

class CThumbWnd;
class ThumbCodec;

class CViewThumb : public QWidget
{
    Q_OBJECT

public:
    // A pane whose grid makes its pictures through codec (the program passes
    // CodexaThumbCodec(), browser/codexacodec.h); codec must outlive the pane.
    explicit CViewThumb(const ThumbCodec &codec, QWidget *parent = nullptr);
    ~CViewThumb() override;

    // The grid shows folder (the main frame passes mode 1).
    void SetFolder(const QString &path, int mode = 1);
    // True with the full path of the current picture; false when the grid is hidden or empty.
    bool GetCurrentFile(QString &path);
    void SelectPrevious();
    void SelectNext();
    // The picture after (next) or before the current one in the grid's order; empty at an end.
    QString NeighbourFile(bool next) const;
    // The folder the grid shows.
    QString GetFolder() const;
    // Stores the grid's folder as "lastpath" and saves and frees the grid's items. Runs once;
    // the destructor calls it when the frame has not.
    void Shutdown();
    CThumbWnd *Grid() const { return m_grid; }

signals:
    // A left click changed the selection (the frame then opens GetCurrentFile in the image
    // pane). Connect with Qt::QueuedConnection: the notification is posted, never sent.
    void thumbChosen();

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    void Create();

    CThumbWnd *m_grid;
    bool m_shutDown = false;
};
