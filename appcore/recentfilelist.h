// The recent-file list: the most recently opened documents first, kept in the framework's
// profile as "File1" ... "FileN" below "Recent File List".
#pragma once

#include <QString>
#include <QStringList>

class CRecentFileList
{
public:
    explicit CRecentFileList(int size = 4);

    // Puts path (made absolute) at the front; an entry for the same file moves there.
    void Add(const QString &path);
    void Remove(int index);
    int GetSize() const { return m_size; }
    int GetCount() const { return static_cast<int>(m_entries.size()); }
    QString operator[](int index) const;
    // Menu text of entry index: "&<n> <path>".
    QString GetDisplayName(int index) const;

    void ReadList();
    void WriteList() const;

    static QString Key();

private:
    int m_size;
    QStringList m_entries;
};
