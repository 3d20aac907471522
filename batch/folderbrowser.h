// Choosing a folder: the desktop's folder dialog with an owner, a title, an optional initial
// folder, file-system folders only.
#pragma once

#include <QString>

class QWidget;

class CFolderBrowser
{
public:
    CFolderBrowser(QWidget *owner, const QString &title, const QString &initialFolder = QString());

    // Shows the dialog modally; true when the user chose a folder.
    bool Browse();
    // The chosen folder's path (native separators); empty before a successful Browse.
    QString GetFolderPath() const { return m_path; }

private:
    QWidget *m_owner;
    QString m_title;
    QString m_initialFolder;
    QString m_path;
};
