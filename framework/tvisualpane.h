// One node of the pane framework's tree: a splitter, a view in a splitter cell, a nested
// splitter, a tab window, a view in a tab, or a single view in the frame.
#pragma once

#include "framework/truntimeclass.h"
#include "platform/wintypes.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <list>

class TVisualFramework;

class TVisualPane
{
public:
    enum Kind {
        SplitterInFrame = 1, // splitter directly in a frame or in a tab window
        ViewInSplitter = 2,
        SplitterInSplitter = 3,
        TabWindow = 4, // tab window (or another window class) in a frame, or a view tab
        ViewInTab = 5,
        SingleView = 6,
    };

    // Style flags.
    static constexpr DWORD TabsTop = 1;
    static constexpr DWORD TabsBottom = 2;
    static constexpr DWORD ActiveTab = 4;

    // Kind 1.
    TVisualPane(
        UINT id, const QString &title, int rows, int columns, TCreateContext *context, DWORD flags = 0);
    // Kind 2.
    TVisualPane(UINT id, int row, int column, TCreateContext *context, const TRuntimeClass *runtimeClass,
        int width, int height, DWORD flags = 0);
    // Kind 3.
    TVisualPane(
        UINT id, int row, int column, int rows, int columns, TCreateContext *context, DWORD flags = 0);
    // Kinds 4, 5 and 6.
    TVisualPane(Kind kind, UINT id, const QString &title, TCreateContext *context,
        const TRuntimeClass *runtimeClass, DWORD flags = 0);
    virtual ~TVisualPane();

    TVisualPane(const TVisualPane &) = delete;
    TVisualPane &operator=(const TVisualPane &) = delete;

    void SetHotKey(char key) { m_hotKey = static_cast<BYTE>(key); }
    BYTE GetHotKey() const { return m_hotKey; }

    // Whether the node may be made active (1 at construction).
    void SetCanActivate(bool permitted) { m_canActivate = permitted; }
    bool CanActivate() const { return m_canActivate; }

    // Destroys the node's window (when destroyWindow is set) and forgets it.
    void DestroyWindow(bool destroyWindow = true);

    int GetKind() const { return m_kind; }
    UINT GetId() const { return m_id; }
    QWidget *GetWindow() const { return m_window; }
    QWidget *GetParentWindow() const { return m_parentWindow; }
    const QString &GetTitle() const { return m_title; }
    void SetSecondString(const QString &text) { m_secondString = text; }
    const QString &GetSecondString() const { return m_secondString; }
    TVisualPane *GetParentNode() const { return m_parent; }
    TVisualFramework *GetFramework() const { return m_framework; }
    const std::list<TVisualPane *> &GetChildren() const { return m_children; }

private:
    friend class TVisualFramework;

    int m_kind;
    UINT m_id;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_parentWindow;
    QString m_title;
    QString m_secondString;
    int m_rows = 0;
    int m_columns = 0;
    int m_row = 0;
    int m_column = 0;
    TCreateContext *m_context = nullptr;
    const TRuntimeClass *m_runtimeClass = nullptr;
    int m_width = 0;
    int m_height = 0;
    bool m_canActivate = true;
    DWORD m_flags = 0;
    BYTE m_hotKey = 0;
    TVisualPane *m_parent = nullptr;
    TVisualFramework *m_framework = nullptr;
    std::list<TVisualPane *> m_children;
};
