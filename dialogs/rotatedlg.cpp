#include "dialogs/rotatedlg.h"

#include "dialogs/angledial.h"
#include "dialogs/numbertext.h"
#include "framework/windowid.h"
#include "image/imageobj.h"
#include "res/resource.h"
#include "res/resources.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QPushButton>
#include <QRegion>
#include <QScreen>

namespace
{

constexpr int kDialogWidth = 260;
constexpr int kDialogHeight = 345;
constexpr QPoint kDialOrigin(30, 30);

bool IsDialButton(Qt::MouseButton button)
{
    return button == Qt::LeftButton || button == Qt::RightButton;
}

} // namespace

// Where the dialog draws its dial: a see-through layer over the group box (which some styles
// shade), in the dialog's client coordinates; the mouse goes through it to the dialog.
class CRotateDlg::DialSurface : public QWidget
{
public:
    explicit DialSurface(CRotateDlg *dialog)
        : QWidget(dialog)
        , m_dialog(dialog)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_dialog->DrawDial(painter);
    }

private:
    CRotateDlg *m_dialog;
};

CRotateDlg::CRotateDlg(QWidget *parent, PreviewSource source)
    : TDialog(parent)
    , m_source(std::move(source))
{
    setWindowTitle(QStringLiteral("Image Rotation"));
    auto *group = new QGroupBox(this);
    SetWindowId(group, IDC_DIAL_GROUP);
    group->setGeometry(12, 12, 232, 260);
    // The dial inside the group box belongs to the dialog: the box takes no mouse.
    group->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_surface = new DialSurface(this);
    m_surface->setGeometry(0, 0, kDialogWidth, 2 * kDialCentreY + 1);
    auto *label = new QLabel(QStringLiteral("Angle"), this);
    SetWindowId(label, IDC_ANGLE_LABEL);
    label->setGeometry(65, 240, 50, 18);
    m_angleEdit = new QLineEdit(this);
    SetWindowId(m_angleEdit, IDC_ANGLE);
    m_angleEdit->setGeometry(120, 240, 60, 18);
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    SetWindowId(m_okButton, 1);
    m_okButton->setGeometry(42, 288, 68, 21);
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    SetWindowId(m_cancelButton, 2);
    m_cancelButton->setGeometry(148, 288, 68, 21);
    setFixedSize(kDialogWidth, kDialogHeight);
    setMouseTracking(true);

    connect(m_angleEdit, &QLineEdit::textChanged, this, &CRotateDlg::OnAngleChange);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

CRotateDlg::~CRotateDlg() = default;

void CRotateDlg::InitDialog()
{
    // Centred on the owner's window, a little above the middle.
    QRect around;
    if (QWidget *owner = parentWidget())
        around = owner->window()->frameGeometry();
    else if (QScreen *screen = QGuiApplication::primaryScreen())
        around = screen->availableGeometry();
    if (!around.isNull())
        move(around.center().x() - kDialogWidth / 2, around.center().y() - 190);

    m_preview = std::make_unique<CImageObj>();
    if (m_source)
        m_source(*m_preview, kPreviewSize, kPreviewSize);
    m_dial = LoadMappedBitmap(IDB_DIAL, palette());
    m_angleEdit->setText(QString::asprintf("%.2f", m_angle));
}

void CRotateDlg::OnAngleChange(const QString &text)
{
    m_angle = NormaliseAngle(TextToDouble(text));
    m_surface->repaint();
}

void CRotateDlg::SetAngleFromPoint(int x, int y)
{
    // The centre has no direction: the angle stays as it is.
    const std::optional<int> angle = DialAngleAt(x, y);
    if (!angle || static_cast<double>(*angle) == m_angle)
        return;
    m_angle = *angle;
    const QString text = QString::asprintf("%.2f", m_angle);
    if (m_angleEdit->text() == text)
        OnAngleChange(text); // the same text again is still a change to run through
    else
        m_angleEdit->setText(text);
}

void CRotateDlg::SetOverDial(bool over)
{
    if (over == (m_overDial != 0))
        return;
    m_overDial = over ? 1 : 0;
    if (over)
        setCursor(LoadCursorResource(IDC_DIAL));
    else
        unsetCursor();
}

void CRotateDlg::DrawDial(QPainter &painter)
{
    CImageObj rotated;
    int w = 0, h = 0;
    if (m_preview && !m_preview->IsEmpty() && m_preview->CopyTo(rotated)) {
        w = rotated.Width();
        h = rotated.Height();
    }
    QPolygon outline;
    for (const POINT &corner : RotatedOutline(w, h, m_angle))
        outline << QPoint(corner.x, corner.y);
    const QRegion clip(outline, Qt::WindingFill);
    if (m_angle != 0.0 && !rotated.IsEmpty())
        rotated.Rotate(m_angle);

    if (!m_dial.isNull())
        painter.drawImage(kDialOrigin, m_dial);

    m_knob = KnobRect(m_angle);
    const QPoint knob((m_knob.left + m_knob.right) / 2, (m_knob.top + m_knob.bottom) / 2);
    painter.setPen(Qt::red);
    painter.setBrush(Qt::red);
    painter.drawEllipse(QRect(knob.x() - 5, knob.y() - 5, 10, 10));
    painter.setPen(Qt::yellow);
    painter.setBrush(Qt::yellow);
    painter.drawEllipse(QRect(knob.x() - 3, knob.y() - 3, 6, 6));

    if (!rotated.IsEmpty()) {
        painter.setClipRegion(clip);
        painter.translate(kDialCentreX - rotated.Width() / 2, kDialCentreY - rotated.Height() / 2);
        rotated.Draw(painter);
    }
}

void CRotateDlg::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    if (!IsDialButton(event->button()) || !IsOnDial(p.x(), p.y())) {
        QDialog::mousePressEvent(event);
        return;
    }
    SetAngleFromPoint(p.x(), p.y());
    m_dragging = 1; // the press holds the mouse until the button is released
}

void CRotateDlg::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    if (m_dragging != 0)
        SetAngleFromPoint(p.x(), p.y());
    else
        SetOverDial(IsOnDial(p.x(), p.y()));
    QDialog::mouseMoveEvent(event);
}

void CRotateDlg::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    if (m_dragging != 0 && IsDialButton(event->button())) {
        m_dragging = 0;
        if (!IsOnDial(p.x(), p.y()))
            SetOverDial(false);
    }
    QDialog::mouseReleaseEvent(event);
}
