#include "imagepane/savecheck.h"

#include "codec/codexa.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

QString SaveFailureReason(const QString &path, std::size_t bytesNeeded)
{
    const QFileInfo file(path);
    const QString suffix = file.suffix();
    if (suffix.isEmpty() || CodexaCanWrite(suffix.toUtf8().constData()) == 0)
        return QStringLiteral("unknown format (\"%1\" files cannot be written)").arg(suffix);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("the folder %1 does not exist")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (file.exists() && !file.isWritable())
        return QStringLiteral("the file is read-only");
    if (!folder.isWritable())
        return QStringLiteral("no permission to write in the folder %1")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    const QStorageInfo storage(folder.filePath());
    if (storage.isValid() && storage.bytesAvailable() >= 0
        && static_cast<unsigned long long>(storage.bytesAvailable()) < bytesNeeded)
        return QStringLiteral("no space left on the disk");
    return QStringLiteral("the picture could not be written");
}

QString SaveFailureMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Cannot save %1: %2.").arg(QDir::toNativeSeparators(path), reason);
}
