// The Image Rotation dialog: a free angle typed in or dragged around a round dial, with a small
// preview of the picture rotated by it inside the dial.
#pragma once

#include "framework/tdialog.h"
#include "platform/wintypes.h"

#include <QImage>
#include <functional>
#include <memory>

class CImageObj;
class QLineEdit;
class QPainter;
class QPushButton;

class CRotateDlg : public TDialog
{
    Q_OBJECT
public:
    static constexpr UINT IDD = 20300;
    static constexpr UINT IDC_ANGLE = 20301;
    static constexpr UINT IDC_ANGLE_LABEL = 20303;
    static constexpr UINT IDC_DIAL_GROUP = 20306;
    static constexpr int kPreviewSize = 100;

    // Fills the preview with the current picture reduced to fit maxWidth x maxHeight; false
    // when there is no picture.
    using PreviewSource = std::function<bool(CImageObj &preview, int maxWidth, int maxHeight)>;

    CRotateDlg(QWidget *parent, PreviewSource source);
    ~CRotateDlg() override;

    // The result: degrees in [0, 360) after any typing, or as the dial last set it.
    double GetAngle() const { return m_angle; }

    RECT GetKnobRect() const { return m_knob; }
    bool IsDragging() const { return m_dragging != 0; }
    bool IsOverDial() const { return m_overDial != 0; }
    const CImageObj *GetPreview() const { return m_preview.get(); }

protected:
    void InitDialog() override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    class DialSurface;

    // Dial, knob and the turned preview clipped to its outline.
    void DrawDial(QPainter &painter);
    void OnAngleChange(const QString &text);
    void SetAngleFromPoint(int x, int y);
    void SetOverDial(bool over);

    QLineEdit *m_angleEdit;
    QPushButton *m_okButton;
    QPushButton *m_cancelButton;
    DialSurface *m_surface;
    PreviewSource m_source;
    std::unique_ptr<CImageObj> m_preview;
    RECT m_knob { 125, 31, 135, 41 };
    int m_dragging = 0;
    int m_overDial = 0;
    double m_angle = 0.0;
    QImage m_dial; // the dial bitmap in the current colours
};
