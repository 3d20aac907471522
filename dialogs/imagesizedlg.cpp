#include "dialogs/imagesizedlg.h"

#include "dialogs/dialogmessage.h"
#include "dialogs/dialogunits.h"
#include "dialogs/numbertext.h"
#include "dialogs/resolutionunits.h"
#include "res/resource.h"
#include "res/strings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

namespace
{

QString FormatResolution(float resolution)
{
    return QString::asprintf("%4.2f", static_cast<double>(resolution));
}

QString FormatSize(int value)
{
    return QString::asprintf("%d", value);
}

} // namespace

CImageSizeDlg::CImageSizeDlg(QWidget *parent)
    : TDialog(parent)
{
    const DialogUnits du = SetUpDialog(this, QStringLiteral("Image Size Setting"), 10, 155, 172);

    du.Place(new QGroupBox(QStringLiteral("Image Size"), this), 0, 7, 7, 141, 82);
    du.Place(new QLabel(QStringLiteral("Width:"), this), 0, 16, 25, 30, 10);
    m_widthEdit = du.Add<QLineEdit>(IDC_WIDTH, 48, 22, 60, 14, this);
    du.Place(new QLabel(QStringLiteral("Pixel"), this), 0, 113, 25, 28, 10);
    du.Place(new QLabel(QStringLiteral("Height:"), this), 0, 16, 45, 30, 10);
    m_heightEdit = du.Add<QLineEdit>(IDC_HEIGHT, 48, 42, 60, 14, this);
    du.Place(new QLabel(QStringLiteral("Pixel"), this), 0, 113, 45, 28, 10);
    m_keepAspectBox
        = du.Add<QCheckBox>(IDC_KEEP_ASPECT, 16, 64, 110, 12, QStringLiteral("Keep aspect ratio"), this);

    du.Place(new QLabel(QStringLiteral("Resolution:"), this), 0, 8, 105, 46, 10);
    m_resolutionEdit = du.Add<QLineEdit>(IDC_RESOLUTION, 55, 102, 42, 14, this);
    m_unitList = du.Add<QComboBox>(IDC_UNIT, 100, 102, 48, 14, this);

    m_okButton = du.Add<QPushButton>(IDC_OK, 22, 148, 50, 14, QStringLiteral("Ok"), this);
    m_okButton->setDefault(true);
    m_cancelButton = du.Add<QPushButton>(IDC_CANCEL, 84, 148, 50, 14, QStringLiteral("Cancel"), this);

    // The size edits take digits only, as typed.
    for (QLineEdit *edit : { m_widthEdit, m_heightEdit }) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        edit->installEventFilter(this);
    }
    setTabOrder(m_widthEdit, m_heightEdit);
    setTabOrder(m_heightEdit, m_keepAspectBox);
    setTabOrder(m_keepAspectBox, m_resolutionEdit);
    setTabOrder(m_resolutionEdit, m_unitList);
    setTabOrder(m_unitList, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);

    connect(m_unitList, &QComboBox::activated, this, &CImageSizeDlg::OnUnitChange);
    connect(m_resolutionEdit, &QLineEdit::textChanged, this, &CImageSizeDlg::OnResolutionChange);
    connect(m_widthEdit, &QLineEdit::textChanged, this, &CImageSizeDlg::OnWidthChange);
    connect(m_heightEdit, &QLineEdit::textChanged, this, &CImageSizeDlg::OnHeightChange);
    connect(m_okButton, &QPushButton::clicked, this, &CImageSizeDlg::OnOk);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

CImageSizeDlg::~CImageSizeDlg() = default;

void CImageSizeDlg::SetUp(BITMAPINFOHEADER *header, int width, int height)
{
    if (header != nullptr) {
        m_header = header;
        m_resolution = ResolutionFromPixelsPerMetre(header->biXPelsPerMeter);
    }
    m_unit = kPixelsPerInch;
    m_width = width != 0 || m_header == nullptr ? width : m_header->biWidth;
    m_height = height != 0 || m_header == nullptr ? height : m_header->biHeight;
}

void CImageSizeDlg::InitDialog()
{
    SetQuietly(m_resolutionEdit, FormatResolution(m_resolution));
    SetQuietly(m_widthEdit, FormatSize(m_width));
    SetQuietly(m_heightEdit, FormatSize(m_height));
    {
        const QSignalBlocker blocker(m_unitList);
        m_unitList->clear();
        m_unitList->addItem(LoadResString(IDS_PIXEL_PER_INCH));
        m_unitList->addItem(LoadResString(IDS_PIXEL_PER_CM));
        m_unitList->setCurrentIndex(0);
    }
    m_keepAspectBox->setChecked(false);
    m_widthEdit->setFocus();
}

void CImageSizeDlg::SetQuietly(QLineEdit *edit, const QString &text)
{
    const QSignalBlocker blocker(edit);
    edit->setText(text);
}

void CImageSizeDlg::OnUnitChange(int index)
{
    if (index < 0 || index == m_unit)
        return;
    m_resolution = ConvertResolution(m_resolution, m_unit, index);
    m_unit = index;
    // The sizes stay: the shown value is the same resolution in the new unit.
    SetQuietly(m_resolutionEdit, FormatResolution(m_resolution));
}

void CImageSizeDlg::OnResolutionChange(const QString &text)
{
    const double value = TextToDouble(text);
    if (value < 0) {
        DialogMessage(this, IDS_ERROR_FORMAT);
        m_resolutionEdit->setFocus();
        return;
    }
    const float resolution = static_cast<float>(value);
    if (resolution != 0.0f && m_resolution != 0.0f) {
        const double factor = static_cast<double>(resolution) / static_cast<double>(m_resolution);
        m_width = static_cast<int>(m_width * factor);
        m_height = static_cast<int>(m_height * factor);
        m_widthEdit->setText(FormatSize(m_width));
        m_heightEdit->setText(FormatSize(m_height));
    }
    m_resolution = resolution;
}

void CImageSizeDlg::OnWidthChange(const QString &text)
{
    OnSizeChange(text, m_width, m_height, m_heightEdit);
}

void CImageSizeDlg::OnHeightChange(const QString &text)
{
    OnSizeChange(text, m_height, m_width, m_widthEdit);
}

void CImageSizeDlg::OnSizeChange(const QString &text, int size, int otherSize, QLineEdit *otherEdit)
{
    const int value = TextToInt(text);
    if (value < 0) {
        DialogMessage(this, IDS_ERROR_FORMAT);
        return;
    }
    if (m_guard == 1 && m_keepAspectBox->isChecked() && size != 0) {
        m_guard = 0;
        otherEdit->setText(FormatSize(static_cast<int>(otherSize * (static_cast<double>(value) / size))));
        m_guard = 1;
    }
}

bool CImageSizeDlg::StoreSizes()
{
    for (QLineEdit *edit : { m_heightEdit, m_widthEdit }) {
        const int value = TextToInt(edit->text());
        if (value < 0) {
            m_storing = true;
            DialogMessage(this, IDS_ERROR_FORMAT);
            edit->setFocus();
            m_storing = false;
            return false;
        }
        (edit == m_heightEdit ? m_height : m_width) = value;
    }
    return true;
}

bool CImageSizeDlg::eventFilter(QObject *watched, QEvent *event)
{
    // Another window becoming active (a message box among them) leaves the focus where it is.
    if (event->type() == QEvent::FocusOut && !m_storing && (watched == m_widthEdit || watched == m_heightEdit)
        && static_cast<QFocusEvent *>(event)->reason() != Qt::ActiveWindowFocusReason)
        StoreSizes();
    return QDialog::eventFilter(watched, event);
}

void CImageSizeDlg::OnOk()
{
    // Enter in a size edit reaches OK without the focus leaving it: store what it shows first.
    if ((m_widthEdit->hasFocus() || m_heightEdit->hasFocus()) && !StoreSizes())
        return;
    if (m_header != nullptr) {
        const LONG pixelsPerMetre = PixelsPerMetre(m_resolution, m_unit);
        m_header->biXPelsPerMeter = pixelsPerMetre;
        m_header->biYPelsPerMeter = pixelsPerMetre;
    }
    m_keepAspect = m_keepAspectBox->isChecked() ? 1 : 0;
    accept();
}
