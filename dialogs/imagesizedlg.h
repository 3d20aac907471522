// The Image Size Setting dialog: a new pixel size for the picture, linked width and height, and
// the picture's resolution in pixels per inch or per centimetre, written into its header on OK.
#pragma once

#include "framework/tdialog.h"
#include "platform/wintypes.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class CImageSizeDlg : public TDialog
{
    Q_OBJECT
public:
    static constexpr UINT IDD = 20302;
    static constexpr UINT IDC_RESOLUTION = 1018;
    static constexpr UINT IDC_WIDTH = 1034;
    static constexpr UINT IDC_HEIGHT = 1035;
    static constexpr UINT IDC_UNIT = 1121;
    static constexpr UINT IDC_KEEP_ASPECT = 1017;
    static constexpr UINT IDC_OK = 1023;
    static constexpr UINT IDC_CANCEL = 1024;

    explicit CImageSizeDlg(QWidget *parent = nullptr);
    ~CImageSizeDlg() override;

    // Before the dialog runs. With a header, the resolution comes from its horizontal pixels
    // per metre (in pixels per inch); a width or height of 0 takes the header's.
    void SetUp(BITMAPINFOHEADER *header, int width, int height);

    // Results after OK.
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    int GetKeepAspect() const { return m_keepAspect; }

    int GetUnit() const { return m_unit; }
    float GetResolution() const { return m_resolution; }

protected:
    void InitDialog() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void OnUnitChange(int index);
    void OnResolutionChange(const QString &text);
    void OnWidthChange(const QString &text);
    void OnHeightChange(const QString &text);
    // One size edit changed to text (size and otherSize: the picture's along it and across): with
    // the aspect kept, the other edit follows.
    void OnSizeChange(const QString &text, int size, int otherSize, QLineEdit *otherEdit);
    // Stores the height edit, then the width edit; false at the first negative value.
    bool StoreSizes();
    void OnOk();
    // Writes text into edit without running the edit's change step.
    static void SetQuietly(QLineEdit *edit, const QString &text);

    QLineEdit *m_resolutionEdit;
    QLineEdit *m_widthEdit;
    QLineEdit *m_heightEdit;
    QComboBox *m_unitList;
    QCheckBox *m_keepAspectBox;
    QPushButton *m_okButton;
    QPushButton *m_cancelButton;
    int m_guard = 1; // 0 only while one size edit writes the other
    int m_keepAspect = 0;
    int m_width = 0;
    int m_height = 0;
    BITMAPINFOHEADER *m_header = nullptr;
    int m_unit = 0;
    float m_resolution = 0.0f;
    bool m_storing = false; // a message of the focus-out step is up
};
