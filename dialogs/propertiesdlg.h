// The properties of a picture file: name, folder, format, size, depth, pages, file size and
// dates, then what its EXIF block says (camera, lens, date taken, exposure, aperture, ISO, focal
// length, flash, GPS position with a link to a map).
#pragma once

#include <QDialog>
#include <QList>
#include <QPair>
#include <QString>

class QLabel;

// The rows the dialog shows, label and value, in order; the GPS row's value is the position text
// and mapLink (may be null) receives its map address (empty without a position).
QList<QPair<QString, QString>> PicturePropertyRows(const QString &path, QString *mapLink = nullptr);

class CPropertiesDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CPropertiesDlg(const QString &path, QWidget *parent = nullptr);
    ~CPropertiesDlg() override;

    // The label that holds the map link; null without a position.
    QLabel *MapLabel() const { return m_mapLabel; }

private:
    QLabel *m_mapLabel = nullptr;
};
