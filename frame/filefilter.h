// File dialog filters: the string table's "description|patterns|..." lists as Qt name filters.
#pragma once

#include <QString>
#include <QStringList>

// One Qt name filter per description/pattern pair: "description (pat1 pat2 ...)". A description
// that already ends with its patterns in parentheses is kept as it is.
QStringList FilterListToNameFilters(const QString &filterList);

// The extension a Save dialog appends under nameFilter: that of its only pattern "*.ext"; a
// filter of several patterns (or none) gives fallback.
QString NameFilterExtension(const QString &nameFilter, const QString &fallback);

// Name filters for the formats after the nine of the fixed list, from the codec library's
// registry by format number: one "Description (*.ext ...)" each (writable formats only when
// forSave), then, for opening, "All pictures (...)" over every readable extension.
QStringList ExtraFormatNameFilters(bool forSave);

// The fixed list of string 105 followed by ExtraFormatNameFilters.
QStringList PictureNameFilters(const QString &fixedList, bool forSave);
