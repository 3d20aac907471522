// Stand-in for the thumbnail pane until it lands: shows the folder it was given and stores it as
// "lastpath" when its window is destroyed.
#pragma once

#include "frame/ithumbpane.h"

#include <QWidget>

class QLabel;

class CPlaceholderThumbPane : public QWidget, public IThumbPane
{
    Q_OBJECT
public:
    explicit CPlaceholderThumbPane(QWidget *parent = nullptr);
    ~CPlaceholderThumbPane() override;

    void SetFolder(const QString &folder, int mode) override;
    QString GetCurrentFile() const override { return QString(); }
    void SelectPrevious() override { }
    void SelectNext() override { }

    const QString &GetFolder() const { return m_folder; }

private:
    QString m_folder;
    QLabel *m_label;
};
