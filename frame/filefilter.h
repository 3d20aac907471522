// File dialog filters: the string table's "description|patterns|..." lists as Qt name filters.
#pragma once

#include <QString>
#include <QStringList>

// One Qt name filter per description/pattern pair: "description (pat1 pat2 ...)". A description
// that already ends with its patterns in parentheses is kept as it is.
QStringList FilterListToNameFilters(const QString &filterList);
