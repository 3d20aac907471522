// A link drawn as text in the link colour, in the hover colour while the mouse is over it (the
// link holds the mouse then), that asks the desktop to open its target when clicked and closes
// the dialog it sits in.
#pragma once

#include "platform/wintypes.h"

#include <QAbstractButton>

class CHyperLink : public QAbstractButton
{
    Q_OBJECT
public:
    explicit CHyperLink(QWidget *parent = nullptr);
    ~CHyperLink() override;

    void SetLink(const QString &text, const QString &target);

    QString GetText() const { return m_text; }
    QString GetTarget() const { return m_target; }
    // The colour the text is drawn in now.
    COLORREF CurrentColour() const;
    // Whether this link holds the mouse (the mouse is over it).
    bool HasCapture() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void OnClicked();

    COLORREF m_linkColour = RGB(0, 0, 255);
    COLORREF m_hoverColour = RGB(255, 0, 0);
    COLORREF m_normalColour = RGB(0, 0, 255);
    QString m_target;
    QString m_text;
    UINT m_cursorId = 0; // 0: the standard up-arrow cursor
};
