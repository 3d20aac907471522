// A form view whose enabled state reaches every window inside it.
#pragma once

#include <QWidget>

class TVisualFormView : public QWidget
{
    Q_OBJECT
public:
    explicit TVisualFormView(QWidget *parent = nullptr);
    ~TVisualFormView() override;

protected:
    void changeEvent(QEvent *event) override;
};
