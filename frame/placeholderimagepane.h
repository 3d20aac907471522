// Stand-in for the image pane until it lands: the empty pane's grey background; it remembers what
// it was asked to open and the messages it received.
#pragma once

#include "frame/iimagepane.h"
#include "frame/panemessage.h"

#include <QWidget>
#include <vector>

class CPlaceholderImagePane : public QWidget, public IImagePane
{
    Q_OBJECT
public:
    struct Received {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    explicit CPlaceholderImagePane(QWidget *parent = nullptr);
    ~CPlaceholderImagePane() override;

    void Open(const QString &path) override;
    bool Save(const QString &path) override;
    int PageCount() const override { return 0; }
    bool GotoPage(bool forward) override;
    void Fit(int how) override;
    QWidget *Window() override { return this; }

    const QString &OpenedPath() const { return m_openedPath; }
    const std::vector<Received> &ReceivedMessages() const { return m_received; }

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_openedPath;
    std::vector<Received> m_received;
};
