// A frame window with an active view and a client area that the pane framework fills.
#pragma once

#include <QMainWindow>
#include <QPointer>

class QVBoxLayout;

class TFrameWnd : public QMainWindow
{
    Q_OBJECT
public:
    explicit TFrameWnd(QWidget *parent = nullptr);
    ~TFrameWnd() override;

    virtual bool IsMdiChild() const { return false; }

    QWidget *GetActiveView() const { return m_activeView; }

    // Makes view the active view and gives it the focus (when it can take it).
    virtual void SetActiveView(QWidget *view);

    // Adds a window that fills the client area (a splitter, tab window or single view).
    void AddClientWindow(QWidget *window);
    QWidget *ClientArea() const { return m_client; }

    // Records view as active without moving the focus (the focus is already there).
    void NoteActiveView(QWidget *view);

signals:
    void ActiveViewChanged(QWidget *view);

private:
    QWidget *m_client;
    QVBoxLayout *m_clientLayout;
    QPointer<QWidget> m_activeView;
};
