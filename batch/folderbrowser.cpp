#include "batch/folderbrowser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

CFolderBrowser::CFolderBrowser(QWidget *owner, const QString &title, const QString &initialFolder)
    : m_owner(owner)
    , m_title(title)
    , m_initialFolder(initialFolder)
{
}

bool CFolderBrowser::Browse()
{
    QFileDialog dialog(m_owner, m_title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!m_initialFolder.isEmpty() && QFileInfo(m_initialFolder).isDir()) {
        const QFileInfo initial(m_initialFolder);
        dialog.setDirectory(initial.absolutePath());
        dialog.selectFile(initial.absoluteFilePath());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString chosen = dialog.selectedFiles().constFirst();
    if (!QFileInfo(chosen).isDir())
        return false;
    m_path = QDir::toNativeSeparators(QDir::cleanPath(chosen));
    return true;
}
