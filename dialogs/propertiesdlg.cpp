#include "dialogs/propertiesdlg.h"

#include "codec/codexa.h"
#include "image/photoinfo.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>
#include <cstdlib>
#include <cstring>

namespace
{

QString FormatName(int number)
{
    CodexaFormatInfo info {};
    for (int i = 0; CodexaFormatAt(i, &info) != 0; ++i)
        if (info.number == number)
            return QString::fromUtf8(info.description);
    return QStringLiteral("Unknown");
}

QString ByteSize(qint64 bytes)
{
    const QLocale c = QLocale::c();
    QString text = c.toString(bytes) + QStringLiteral(" bytes");
    if (bytes >= 1024)
        text
            += QStringLiteral(" (%1)").arg(c.formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat));
    return text;
}

QString When(const QDateTime &t)
{
    return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

} // namespace

QList<QPair<QString, QString>> PicturePropertyRows(const QString &path, QString *mapLink)
{
    QList<QPair<QString, QString>> rows;
    if (mapLink != nullptr)
        mapLink->clear();
    const QFileInfo file(path);
    rows.append({ QStringLiteral("File name"), file.fileName() });
    rows.append({ QStringLiteral("Folder"), file.absolutePath() });
    const QByteArray local = path.toUtf8();
    const int number = CodexaFormatTest(local.constData());
    rows.append(
        { QStringLiteral("Format"), number >= 0 ? FormatName(number) : QStringLiteral("Not a picture") });
    if (number >= 0) {
        // The full picture's header comes with a reduced decode.
        alignas(8) unsigned char info[1064] = {}, source[1064] = {};
        HGLOBAL bits = nullptr;
        const SIZE box { 1, 1 };
        if (CodexaLoadReduced(&bits, info, source, local.constData(), &box) != 0) {
            BITMAPINFOHEADER header;
            std::memcpy(&header, source, sizeof header);
            rows.append({ QStringLiteral("Size"),
                QStringLiteral("%1 \u00d7 %2 pixels").arg(header.biWidth).arg(std::abs(header.biHeight)) });
            rows.append({ QStringLiteral("Depth"), QStringLiteral("%1 bits").arg(header.biBitCount) });
            CodexaRelease(&bits);
        }
        rows.append({ QStringLiteral("Pages"), QString::number(CodexaPageCount(local.constData())) });
    }
    rows.append({ QStringLiteral("File size"), ByteSize(file.size()) });
    rows.append({ QStringLiteral("Created"), When(file.birthTime()) });
    rows.append({ QStringLiteral("Modified"), When(file.lastModified()) });

    const PhotoInfo photo = ReadPhotoInfoFile(local.toStdString());
    const std::pair<const char *, const std::string *> fields[] = {
        { "Camera", &photo.camera },
        { "Lens", &photo.lens },
        { "Date taken", &photo.dateTaken },
        { "Exposure time", &photo.exposureTime },
        { "Aperture", &photo.aperture },
        { "ISO", &photo.iso },
        { "Focal length", &photo.focalLength },
        { "Flash", &photo.flash },
    };
    for (const auto &[label, value] : fields)
        if (!value->empty())
            rows.append({ QString::fromLatin1(label), QString::fromStdString(*value) });
    if (photo.hasGps) {
        rows.append({ QStringLiteral("GPS position"),
            QString::fromStdString(FormatPosition(photo.latitude, photo.longitude)) });
        if (mapLink != nullptr)
            *mapLink = QString::fromStdString(MapLink(photo.latitude, photo.longitude));
    }
    return rows;
}

CPropertiesDlg::CPropertiesDlg(const QString &path, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CPropertiesDlg"));
    setWindowTitle(QStringLiteral("Properties"));
    auto *form = new QFormLayout;
    QString link;
    for (const auto &[label, value] : PicturePropertyRows(path, &link)) {
        auto *text = new QLabel(value, this);
        text->setTextInteractionFlags(Qt::TextSelectableByMouse);
        if (label == QStringLiteral("GPS position") && !link.isEmpty()) {
            text->setText(
                QStringLiteral("<a href=\"%1\">%2</a>").arg(link.toHtmlEscaped(), value.toHtmlEscaped()));
            text->setTextFormat(Qt::RichText);
            text->setTextInteractionFlags(Qt::TextBrowserInteraction);
            text->setOpenExternalLinks(true);
            m_mapLabel = text;
        }
        form->addRow(label + QLatin1Char(':'), text);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

CPropertiesDlg::~CPropertiesDlg() = default;
