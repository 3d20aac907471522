// Stand-in for the folder tree until it lands: shows the start folder and reports it to the main
// frame once, as the tree does after selecting its start folder.
#pragma once

#include "frame/ifolderpane.h"

#include <QWidget>

class QLabel;

class CPlaceholderFolderPane : public QWidget, public IFolderPane
{
    Q_OBJECT
public:
    explicit CPlaceholderFolderPane(QWidget *parent = nullptr);
    ~CPlaceholderFolderPane() override;

    QString GetSelectedPath() const override { return m_path; }

protected:
    bool event(QEvent *event) override;

private:
    QString m_path;
    QLabel *m_label;
};
