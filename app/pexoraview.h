// The view of the document template. It is never shown: the main frame fills its client area
// with its own panes. It draws nothing.
#pragma once

#include <QWidget>

class CPexoraView : public QWidget
{
    Q_OBJECT
public:
    explicit CPexoraView(QWidget *parent = nullptr);
    ~CPexoraView() override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
