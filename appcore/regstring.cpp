#include "appcore/regstring.h"

#include <QSettings>
#include <QStringList>
#include <limits>
#include <memory>

namespace
{

// The store of key positioned at its group; null when key does not name one.
std::unique_ptr<QSettings> OpenKey(const QString &key)
{
    QString organisation;
    QString application;
    QString group;
    if (!SplitRegKey(key, organisation, application, group))
        return nullptr;
    auto settings = std::make_unique<QSettings>(
        QSettings::NativeFormat, QSettings::UserScope, organisation, application);
    if (!group.isEmpty())
        settings->beginGroup(group);
    return settings;
}

} // namespace

bool SplitRegKey(const QString &key, QString &organisation, QString &application, QString &group)
{
    QStringList parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.size() < 3 || parts.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) != 0)
        return false;
    organisation = parts.at(1);
    application = parts.at(2);
    parts.erase(parts.begin(), parts.begin() + 3);
    group = parts.join(QLatin1Char('/'));
    return true;
}

int ReadRegString(const QString &key, const QString &valueName, QString &out)
{
    const std::unique_ptr<QSettings> settings = OpenKey(key);
    if (!settings || !settings->contains(valueName))
        return 0;
    const QVariant value = settings->value(valueName);
    if (!value.canConvert<QString>())
        return 0;
    const QString text = value.toString();
    if (text.isEmpty())
        return 0;
    out = text;
    return 1;
}

void WriteRegString(const QString &key, const QString &valueName, const QString &value)
{
    const std::unique_ptr<QSettings> settings = OpenKey(key);
    if (!settings)
        return;
    settings->setValue(valueName, value);
    settings->sync();
}

bool ReadRegDword(const QString &key, const QString &valueName, DWORD &out)
{
    const std::unique_ptr<QSettings> settings = OpenKey(key);
    if (!settings || !settings->contains(valueName))
        return false;
    bool ok = false;
    const qulonglong value = settings->value(valueName).toULongLong(&ok);
    if (!ok || value > std::numeric_limits<DWORD>::max())
        return false;
    out = static_cast<DWORD>(value);
    return true;
}

void WriteRegDword(const QString &key, const QString &valueName, DWORD value)
{
    const std::unique_ptr<QSettings> settings = OpenKey(key);
    if (!settings)
        return;
    settings->setValue(valueName, static_cast<qulonglong>(value));
    settings->sync();
}

void DeleteRegKey(const QString &key)
{
    const std::unique_ptr<QSettings> settings = OpenKey(key);
    if (!settings)
        return;
    settings->remove(QString());
    settings->sync();
}
