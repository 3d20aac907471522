#include "browser/browsersettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace
{

constexpr const char *kOrganisation = "TarnisTech";
constexpr const char *kApplication = "pexora";
constexpr const char *kGroup = "setting";
constexpr const char *kLastPath = "lastpath";

} // namespace

QString ReadLastPath()
{
    QSettings settings(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
    settings.beginGroup(QString::fromLatin1(kGroup));
    return settings.value(QString::fromLatin1(kLastPath)).toString();
}

void WriteLastPath(const QString &path)
{
    QSettings settings(QString::fromLatin1(kOrganisation), QString::fromLatin1(kApplication));
    settings.beginGroup(QString::fromLatin1(kGroup));
    settings.setValue(QString::fromLatin1(kLastPath), path);
}

QString DefaultBrowseFolder()
{
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return QDir::toNativeSeparators(pictures);
    return QDir::toNativeSeparators(QDir::homePath());
}

QString StartBrowseFolder()
{
    QString stored = ReadLastPath();
    return stored.isEmpty() ? DefaultBrowseFolder() : stored;
}
