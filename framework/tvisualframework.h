// The pane framework: a frame describes its client area as a tree of nodes, then creates, looks
// up, activates and destroys the whole tree in one call each.
#pragma once

#include "framework/tcmdtarget.h"
#include "framework/tvisualpane.h"
#include "platform/wintypes.h"

#include <QMetaObject>
#include <QPointer>
#include <list>
#include <map>

class QEvent;
class QObject;
class TFrameWnd;
class TSplitterWnd;

class TVisualFramework : public TCmdTarget
{
public:
    TVisualFramework();
    ~TVisualFramework() override;

    TVisualFramework(const TVisualFramework &) = delete;
    TVisualFramework &operator=(const TVisualFramework &) = delete;

    // Creates every node's window inside frame, then activates the view with the smallest id.
    virtual bool Create(TFrameWnd *frame);
    // Destroys the tree's splitters and tab windows (with the views in them) and every node.
    virtual void Destroy();
    // A new splitter object (not yet created as a window) for node id.
    virtual TSplitterWnd *CreateSplitter(UINT id);
    // Keyboard routing for Alt hot keys and Ctrl+Tab; true when the event was consumed.
    virtual bool ProcessMessage(QObject *target, QEvent *event);

    bool OnCmdMsg(UINT id, TCmdUI *update) override;

    // The framework takes ownership of an added node; a rejected node stays the caller's.
    bool Add(TVisualPane *root);
    bool Add(TVisualPane *parent, TVisualPane *child);

    TVisualPane *FindNode(UINT id) const;
    TVisualPane *FindNode(const QWidget *window) const;
    QWidget *GetWindow(UINT id) const;
    bool SetActivePane(TVisualPane *node);

    // Activates the next (or previous) cell of the splitter around the frame's active view.
    bool ActivateNextPane(bool previous);

    TFrameWnd *GetFrame() const { return m_frame; }
    void SetCtrlTabSwitching(bool enabled) { m_ctrlTab = enabled; }
    bool GetCtrlTabSwitching() const { return m_ctrlTab; }
    const std::map<UINT, TVisualPane *> &Nodes() const { return m_nodes; }

private:
    bool CreateNode(TVisualPane *node);
    void DestroyNode(TVisualPane *node);
    bool IsContainer(const QWidget *window) const;
    TVisualPane *NodeOfView(QWidget *window) const;
    void OnFocusChanged(QWidget *now);

    QPointer<TFrameWnd> m_frame;
    std::list<TVisualPane *> m_roots;
    std::map<UINT, TVisualPane *> m_nodes;
    bool m_ctrlTab = true;
    QMetaObject::Connection m_focusConnection;
};
