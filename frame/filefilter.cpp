#include "frame/filefilter.h"

#include "codec/codexa.h"

QStringList FilterListToNameFilters(const QString &filterList)
{
    QStringList filters;
    const QStringList parts = filterList.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        if (description.isEmpty())
            break;
        QStringList patterns;
        for (const QString &pattern : parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                patterns.append(trimmed);
        }
        const QString joined = patterns.join(QLatin1Char(' '));
        if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('('))) {
            const qsizetype open = description.lastIndexOf(QLatin1Char('('));
            const QString inside = description.mid(open + 1, description.size() - open - 2).trimmed();
            if (inside == joined) {
                filters.append(description);
                continue;
            }
        }
        filters.append(QStringLiteral("%1 (%2)").arg(description, joined));
    }
    return filters;
}

QString NameFilterExtension(const QString &nameFilter, const QString &fallback)
{
    const qsizetype open = nameFilter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = nameFilter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open)
        return fallback;
    const QStringList patterns
        = nameFilter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (patterns.size() != 1 || !patterns[0].startsWith(QStringLiteral("*.")))
        return fallback;
    const QString extension = patterns[0].mid(2);
    if (extension.isEmpty() || extension.contains(QLatin1Char('*')) || extension.contains(QLatin1Char('?')))
        return fallback;
    return extension;
}

namespace
{

QStringList Patterns(const CodexaFormatInfo &info)
{
    QStringList patterns;
    for (const char *const *e = info.extensions; e != nullptr && *e != nullptr; ++e)
        patterns.append(QLatin1Char('*') + QString::fromLatin1(*e));
    return patterns;
}

} // namespace

QStringList ExtraFormatNameFilters(bool forSave)
{
    QStringList filters;
    QStringList all;
    CodexaFormatInfo info {};
    for (int i = 0; CodexaFormatAt(i, &info) != 0; ++i) {
        const QStringList patterns = Patterns(info);
        if (patterns.isEmpty())
            continue;
        if (!forSave)
            all.append(patterns);
        if (info.number < CODEXA_CLASSIC_FORMATS || (forSave && info.canWrite == 0))
            continue;
        // Saving names the file with the first extension, so the filter offers only that one.
        const QStringList offered = forSave ? QStringList { patterns.first() } : patterns;
        filters.append(QStringLiteral("%1 (%2)").arg(
            QString::fromUtf8(info.description), offered.join(QLatin1Char(' '))));
    }
    if (!forSave && !filters.isEmpty())
        filters.append(QStringLiteral("All pictures (%1)").arg(all.join(QLatin1Char(' '))));
    return filters;
}

QStringList PictureNameFilters(const QString &fixedList, bool forSave)
{
    return FilterListToNameFilters(fixedList) + ExtraFormatNameFilters(forSave);
}
