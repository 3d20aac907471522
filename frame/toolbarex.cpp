#include "frame/toolbarex.h"

#include "res/resources.h"
#include "res/strings.h"
#include "res/toolbars.h"

#include <QAction>
#include <QEvent>
#include <QHoverEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QToolButton>
#include <QToolTip>

namespace
{

// A separator that draws a 2-pixel etched line across the bar in its middle.
class CToolBarSeparator : public QWidget
{
public:
    explicit CToolBarSeparator(CToolBarEx *bar)
        : QWidget(bar)
        , m_bar(bar)
    {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override
    {
        const int across = m_bar->GetButtonSize().height();
        return m_bar->orientation() == Qt::Horizontal ? QSize(CToolBarEx::kSeparatorWidth, across)
                                                      : QSize(across, CToolBarEx::kSeparatorWidth);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (width() >= 9 && height() >= 9)
            return;
        QPainter p(this);
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor light = palette().color(QPalette::Light);
        if (m_bar->orientation() == Qt::Horizontal) {
            const int x = width() / 2 - 1;
            p.fillRect(x, 2, 1, height() - 4, shadow);
            p.fillRect(x + 1, 2, 1, height() - 4, light);
        } else {
            const int y = height() / 2 - 1;
            p.fillRect(2, y, width() - 4, 1, shadow);
            p.fillRect(2, y + 1, width() - 4, 1, light);
        }
    }

private:
    CToolBarEx *m_bar;
};

} // namespace

CToolBarEx::CToolBarEx(const QString &title, QWidget *parent)
    : QToolBar(title, parent)
{
    setMovable(true);
    setFloatable(true);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    setContentsMargins(0, 0, 0, 0);
    connect(this, &QToolBar::orientationChanged, this, [this] {
        if (m_resourceId != 0)
            ImageRebuild(m_resourceId);
        update();
    });
}

CToolBarEx::~CToolBarEx() = default;

bool CToolBarEx::IsSeparator(int entry) const
{
    return entry >= 0 && entry < static_cast<int>(m_isSeparator.size())
        && m_isSeparator[static_cast<size_t>(entry)];
}

BOOL CToolBarEx::LoadToolBar(UINT id)
{
    const ToolBarResource *resource = FindToolBarResource(id);
    const QImage bitmap = LoadBitmapResource(id);
    if (!resource || bitmap.isNull() || bitmap.width() <= 0 || bitmap.height() <= 0)
        return FALSE;

    clear();
    m_commands.assign(resource->items.begin(), resource->items.end());
    m_isSeparator.assign(m_commands.size(), 0);
    m_separators = 0;
    for (size_t i = 0; i < m_commands.size(); ++i) {
        if (m_commands[i] == 0) {
            m_isSeparator[i] = 1;
            ++m_separators;
        }
    }
    m_buttons = static_cast<int>(m_commands.size()) - m_separators;
    m_imageWidth = ToolBarImageWidth(bitmap.width(), m_buttons);
    m_imageHeight = bitmap.height();
    m_buttonWidth = m_imageWidth + 7;
    m_buttonHeight = m_imageHeight + 7;
    setIconSize(QSize(m_imageWidth, m_imageHeight));

    for (UINT command : m_commands) {
        if (command == 0) {
            addWidget(new CToolBarSeparator(this));
            continue;
        }
        QAction *action = m_lookup ? m_lookup(command) : nullptr;
        if (!action) {
            action = new QAction(this);
            action->setData(command);
        }
        addAction(action);
        if (QWidget *button = widgetForAction(action)) {
            button->setFixedSize(m_buttonWidth, m_buttonHeight);
            button->installEventFilter(this);
        }
    }
    return ImageRebuild(id);
}

BOOL CToolBarEx::ImageRebuild(UINT id)
{
    const QImage bitmap = LoadBitmapResource(id);
    if (bitmap.isNull())
        return FALSE;
    m_bitsPerPixel = BitmapResourceBitCount(id);
    m_resourceId = id;
    m_lists = BuildToolBarImageLists(bitmap);
    ApplyImages();
    return TRUE;
}

void CToolBarEx::ApplyImages()
{
    const QSize size(m_imageWidth, m_imageHeight);
    const QList<QImage> normal = CutImageList(m_lists.normal, size);
    const QList<QImage> disabled = CutImageList(m_lists.disabled, size);
    const QList<QImage> hot = CutImageList(m_lists.hot, size);
    int image = 0;
    for (UINT command : m_commands) {
        if (command == 0)
            continue;
        QToolButton *button = GetButton(command);
        if (button && image < normal.size()) {
            QIcon icon;
            for (QIcon::State state : { QIcon::Off, QIcon::On }) {
                icon.addPixmap(QPixmap::fromImage(normal[image]), QIcon::Normal, state);
                icon.addPixmap(QPixmap::fromImage(disabled[image]), QIcon::Disabled, state);
                icon.addPixmap(QPixmap::fromImage(hot[image]), QIcon::Active, state);
            }
            if (QAction *action = button->defaultAction()) {
                action->setIcon(icon);
                action->setIconVisibleInMenu(false);
            }
        }
        ++image;
    }
}

QToolButton *CToolBarEx::GetButton(UINT commandId) const
{
    for (QAction *action : actions()) {
        if (action->data().toUInt() == commandId)
            return qobject_cast<QToolButton *>(widgetForAction(action));
    }
    return nullptr;
}

bool CToolBarEx::InGripperZone(QPoint pos) const
{
    if (isFloating())
        return false;
    return orientation() == Qt::Horizontal ? pos.x() >= 0 && pos.x() < kGripperZone
                                           : pos.y() >= 0 && pos.y() < kGripperZone;
}

bool CToolBarEx::event(QEvent *event)
{
    const bool handled = QToolBar::event(event);
    if (event->type() == QEvent::HoverMove || event->type() == QEvent::HoverEnter) {
        const QPoint pos = static_cast<QHoverEvent *>(event)->position().toPoint();
        if (InGripperZone(pos))
            setCursor(Qt::SizeAllCursor);
        else
            unsetCursor();
    } else if (event->type() == QEvent::HoverLeave) {
        unsetCursor();
    }
    return handled;
}

QString CToolBarEx::MenuTextTip(const QString &menuText)
{
    const qsizetype tab = menuText.indexOf(QLatin1Char('\t'));
    QString label = tab < 0 ? menuText : menuText.left(tab);
    const QString keys = tab < 0 ? QString() : menuText.mid(tab + 1).trimmed();
    label.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    label.remove(QLatin1Char('&'));
    while (label.endsWith(QLatin1Char('.')))
        label.chop(1);
    label = label.trimmed();
    if (label.isEmpty())
        return QString();
    return keys.isEmpty() ? label : label + QStringLiteral(" (") + keys + QLatin1Char(')');
}

// Tool tips come from the command's string (the text after its newline); without one, from the
// command's menu text; without either, none shows.
bool CToolBarEx::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *button = qobject_cast<QToolButton *>(watched);
        const QAction *action = button ? button->defaultAction() : nullptr;
        if (action && ResSubString(action->data().toUInt(), 1).isEmpty()) {
            // Without a tip of its own the button is named by its command's menu text.
            const QString tip = MenuTextTip(action->text());
            if (!tip.isEmpty())
                QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), tip, button);
            return true;
        }
    }
    return QToolBar::eventFilter(watched, event);
}

void CToolBarEx::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette &pal = palette();
    if (m_backgroundMode >= 0 && m_backgroundMode <= 2)
        p.fillRect(rect(), pal.color(QPalette::Button));
    if (!isFloating()) {
        p.fillRect(0, 0, width(), 1, pal.color(QPalette::Light));
        p.fillRect(0, height() - 1, width(), 1, pal.color(QPalette::Midlight));
    }
    if (isFloating() || !isMovable())
        return;
    const QColor grey(192, 192, 192);
    const QColor white(255, 255, 255);
    if (orientation() == Qt::Horizontal) {
        const int dots = (height() - 4) / 5;
        for (int i = 0; i < dots; ++i) {
            const int y = 3 + i * 5;
            p.fillRect(2, y + 1, 2, 2, white);
            p.fillRect(1, y, 2, 2, grey);
        }
    } else {
        const int dots = (width() - 4) / 5;
        for (int i = 0; i < dots; ++i) {
            const int x = 3 + i * 5;
            p.fillRect(x + 1, 2, 2, 2, white);
            p.fillRect(x, 1, 2, 2, grey);
        }
    }
}
