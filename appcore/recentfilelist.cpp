#include "appcore/recentfilelist.h"

#include "appcore/appsettings.h"
#include "appcore/regstring.h"

#include <QDir>
#include <QFileInfo>

namespace
{

Qt::CaseSensitivity PathCase()
{
#ifdef _WIN32
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

} // namespace

CRecentFileList::CRecentFileList(int size)
    : m_size(size < 1 ? 1 : size)
{
}

QString CRecentFileList::Key()
{
    return kProfileKey + QStringLiteral("\\Recent File List");
}

void CRecentFileList::Add(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString full = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).compare(full, PathCase()) == 0) {
            m_entries.removeAt(i);
            break;
        }
    }
    m_entries.prepend(full);
    while (m_entries.size() > m_size)
        m_entries.removeLast();
}

void CRecentFileList::Remove(int index)
{
    if (index >= 0 && index < m_entries.size())
        m_entries.removeAt(index);
}

QString CRecentFileList::operator[](int index) const
{
    return index >= 0 && index < m_entries.size() ? m_entries.at(index) : QString();
}

QString CRecentFileList::GetDisplayName(int index) const
{
    QString name = (*this)[index];
    name.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

void CRecentFileList::ReadList()
{
    m_entries.clear();
    for (int i = 0; i < m_size; ++i) {
        QString path;
        if (ReadRegString(Key(), QStringLiteral("File%1").arg(i + 1), path))
            m_entries.append(path);
    }
}

void CRecentFileList::WriteList() const
{
    DeleteRegKey(Key());
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        WriteRegString(Key(), QStringLiteral("File%1").arg(i + 1), m_entries.at(i));
}
