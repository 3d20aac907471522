// The flat toolbar of the main frame: buttons from a toolbar resource, images from the strip
// bitmap with the same id (normal, embossed disabled and brightened hot images), its own gripper,
// separators and background.
#pragma once

#include "frame/toolbarimages.h"
#include "platform/wintypes.h"

#include <QSize>
#include <QToolBar>
#include <functional>
#include <vector>

class QAction;
class QToolButton;

class CToolBarEx : public QToolBar
{
    Q_OBJECT
public:
    static constexpr int kGripperZone = 8; // the move cursor shows within this many pixels
    static constexpr int kSeparatorWidth = 8;

    using ActionLookup = std::function<QAction *(UINT id)>;

    explicit CToolBarEx(const QString &title, QWidget *parent = nullptr);
    ~CToolBarEx() override;

    // A tool tip made from a menu text: "Open(&O)...\tCtrl+O" gives "Open (Ctrl+O)".
    static QString MenuTextTip(const QString &menuText);

    // Where the buttons' actions come from (the frame's command actions).
    void SetActionLookup(ActionLookup lookup) { m_lookup = std::move(lookup); }

    // Builds the buttons of toolbar resource id and their images; 0 when the resource or its
    // bitmap is missing.
    BOOL LoadToolBar(UINT id);
    // Reloads the bitmap of id and rebuilds the three image lists.
    BOOL ImageRebuild(UINT id);

    int GetButtonCount() const { return m_buttons; }
    int GetSeparatorCount() const { return m_separators; }
    QSize GetImageSize() const { return { m_imageWidth, m_imageHeight }; }
    QSize GetButtonSize() const { return { m_buttonWidth, m_buttonHeight }; }
    int GetBitsPerPixel() const { return m_bitsPerPixel; }
    bool IsSeparator(int entry) const;
    const ToolBarImageLists &GetImageLists() const { return m_lists; }
    QToolButton *GetButton(UINT commandId) const;
    // Whether the move cursor applies at pos (inside the gripper zone of a docked bar).
    bool InGripperZone(QPoint pos) const;

    // Swallows tool tips of buttons whose command has no tool tip text.
    bool eventFilter(QObject *watched, QEvent *event) override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void ApplyImages();

    std::vector<BYTE> m_isSeparator;
    UINT m_resourceId = 0;
    int m_buttons = 0;
    int m_separators = 0;
    int m_buttonWidth = 0;
    int m_buttonHeight = 0;
    ToolBarImageLists m_lists;
    int m_imageHeight = 0;
    int m_imageWidth = 0;
    int m_bitsPerPixel = 0;
    int m_backgroundMode = 0;
    std::vector<UINT> m_commands; // command of every entry, 0 for a separator
    ActionLookup m_lookup;
};
