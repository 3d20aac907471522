#include "framework/tvisualframework.h"

#include "framework/tframewnd.h"
#include "framework/tsplitterwnd.h"
#include "framework/ttabwnd.h"
#include "framework/windowid.h"

#include <QApplication>
#include <QKeyEvent>
#include <vector>

namespace
{
constexpr UINT kPaneFirst = 59648;
constexpr UINT kTabWindowId = 9592;
} // namespace

TVisualFramework::TVisualFramework() = default;

TVisualFramework::~TVisualFramework()
{
    Destroy();
}

bool TVisualFramework::Add(TVisualPane *root)
{
    if (!root || m_nodes.count(root->m_id))
        return false;
    root->m_parent = nullptr;
    root->m_framework = this;
    m_nodes[root->m_id] = root;
    m_roots.push_back(root);
    return true;
}

bool TVisualFramework::Add(TVisualPane *parent, TVisualPane *child)
{
    if (!parent || !child || m_nodes.count(child->m_id))
        return false;
    child->m_parent = parent;
    child->m_framework = this;
    m_nodes[child->m_id] = child;
    parent->m_children.push_back(child);
    return true;
}

TVisualPane *TVisualFramework::FindNode(UINT id) const
{
    const auto it = m_nodes.find(id);
    return it == m_nodes.end() ? nullptr : it->second;
}

TVisualPane *TVisualFramework::FindNode(const QWidget *window) const
{
    for (const auto &[id, node] : m_nodes)
        if (window && node->m_window == window)
            return node;
    return nullptr;
}

QWidget *TVisualFramework::GetWindow(UINT id) const
{
    const TVisualPane *node = FindNode(id);
    return node ? node->m_window.data() : nullptr;
}

TSplitterWnd *TVisualFramework::CreateSplitter(UINT id)
{
    auto *splitter = new TSplitterWnd;
    splitter->setObjectName(QStringLiteral("splitter%1").arg(id));
    return splitter;
}

bool TVisualFramework::IsContainer(const QWidget *window) const
{
    return qobject_cast<const TSplitterWnd *>(window) || qobject_cast<const TTabWnd *>(window);
}

bool TVisualFramework::Create(TFrameWnd *frame)
{
    if (!frame)
        return false;
    m_frame = frame;
    if (frame->IsMdiChild())
        m_ctrlTab = false;
    for (TVisualPane *root : m_roots)
        if (!CreateNode(root))
            return false;
    m_focusConnection = QObject::connect(
        qApp, &QApplication::focusChanged, frame, [this](QWidget *, QWidget *now) { OnFocusChanged(now); });
    for (const auto &[id, node] : m_nodes) {
        if (node->m_window && !IsContainer(node->m_window)) {
            SetActivePane(node);
            break;
        }
    }
    return true;
}

bool TVisualFramework::CreateNode(TVisualPane *node)
{
    QWidget *parentWindow = node->m_parent ? node->m_parent->m_window.data() : m_frame.data();
    if (!parentWindow)
        return false;
    auto *parentSplitter = qobject_cast<TSplitterWnd *>(parentWindow);
    auto *parentTabs = qobject_cast<TTabWnd *>(parentWindow);
    switch (node->m_kind) {
    case TVisualPane::SplitterInFrame: {
        TSplitterWnd *splitter = CreateSplitter(node->m_id);
        if (parentTabs) {
            if (!parentTabs->AddSplitterTab(
                    node->m_title, node->m_rows, node->m_columns, splitter, kPaneFirst)) {
                delete splitter;
                return false;
            }
        } else if (parentWindow == m_frame) {
            if (!splitter->CreateStatic(nullptr, node->m_rows, node->m_columns, kPaneFirst)) {
                delete splitter;
                return false;
            }
            m_frame->AddClientWindow(splitter);
        } else {
            delete splitter;
            return false;
        }
        node->m_window = splitter;
        break;
    }
    case TVisualPane::ViewInSplitter:
        if (!parentSplitter
            || !parentSplitter->CreateView(node->m_row, node->m_column, node->m_runtimeClass,
                QSize(node->m_width, node->m_height), node->m_context))
            return false;
        node->m_window = parentSplitter->GetPane(node->m_row, node->m_column);
        break;
    case TVisualPane::SplitterInSplitter: {
        if (!parentSplitter)
            return false;
        TSplitterWnd *splitter = CreateSplitter(node->m_id);
        if (!splitter->CreateStatic(nullptr, node->m_rows, node->m_columns,
                parentSplitter->IdFromRowCol(node->m_row, node->m_column), true)
            || !parentSplitter->SetPane(node->m_row, node->m_column, splitter)) {
            delete splitter;
            return false;
        }
        node->m_window = splitter;
        break;
    }
    case TVisualPane::TabWindow:
        if (parentTabs) {
            TTabItem *item = parentTabs->AddViewTab(node->m_title, node->m_runtimeClass, node->m_context);
            if (!item)
                return false;
            node->m_window = item->pane;
        } else {
            if (!node->m_runtimeClass)
                return false;
            QWidget *window = node->m_runtimeClass->CreateObject(nullptr, node->m_context);
            if (!window)
                return false;
            SetWindowId(window, kTabWindowId);
            if (parentWindow == m_frame) {
                m_frame->AddClientWindow(window);
            } else {
                window->setParent(parentWindow);
            }
            window->show();
            node->m_window = window;
        }
        break;
    case TVisualPane::ViewInTab: {
        if (!parentTabs)
            return false;
        TTabItem *item = parentTabs->AddViewTab(node->m_title, node->m_runtimeClass, node->m_context);
        if (item && item->pane)
            node->m_window = item->pane;
        break;
    }
    case TVisualPane::SingleView: {
        if (!node->m_runtimeClass)
            return false;
        if (node->m_context)
            node->m_context->newViewClass = node->m_runtimeClass;
        QWidget *view = node->m_runtimeClass->CreateObject(nullptr, node->m_context);
        if (!view)
            return false;
        SetWindowId(view, kPaneFirst);
        m_frame->AddClientWindow(view);
        view->show();
        node->m_window = view;
        break;
    }
    default:
        return false;
    }
    node->m_parentWindow = parentWindow;

    if (auto *tabs = qobject_cast<TTabWnd *>(node->m_window.data())) {
        if (node->m_flags & TVisualPane::TabsTop)
            tabs->SetTabPos(TTabWnd::kTabsTop);
        else if (node->m_flags & TVisualPane::TabsBottom)
            tabs->SetTabPos(TTabWnd::kTabsBottom);
    }
    if (parentTabs && (node->m_flags & TVisualPane::ActiveTab))
        parentTabs->SetActiveTab(parentTabs->GetTabIndex(node->m_window), true);

    if (node->m_kind <= TVisualPane::TabWindow)
        for (TVisualPane *child : node->m_children)
            CreateNode(child);
    return true;
}

bool TVisualFramework::SetActivePane(TVisualPane *node)
{
    if (!node || !node->m_window || IsContainer(node->m_window) || !node->m_canActivate || !m_frame)
        return false;
    std::vector<TVisualPane *> chain;
    for (TVisualPane *n = node; n; n = n->m_parent)
        chain.push_back(n);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        TVisualPane *n = *it;
        auto *tabs = n->m_parent ? qobject_cast<TTabWnd *>(n->m_parent->m_window.data()) : nullptr;
        if (tabs && !tabs->SetActiveTab(tabs->GetTabIndex(n->m_window), true))
            return false;
    }
    m_frame->SetActiveView(node->m_window);
    return true;
}

TVisualPane *TVisualFramework::NodeOfView(QWidget *window) const
{
    for (QWidget *w = window; w; w = w->parentWidget()) {
        TVisualPane *node = FindNode(w);
        if (node && !IsContainer(node->m_window))
            return node;
        if (w == m_frame)
            break;
    }
    return nullptr;
}

void TVisualFramework::OnFocusChanged(QWidget *now)
{
    if (!m_frame)
        return;
    if (TVisualPane *node = NodeOfView(now))
        m_frame->NoteActiveView(node->m_window);
}

bool TVisualFramework::ActivateNextPane(bool previous)
{
    if (!m_frame)
        return false;
    QWidget *active = m_frame->GetActiveView();
    auto *splitter = active ? qobject_cast<TSplitterWnd *>(active->parentWidget()) : nullptr;
    int row = 0;
    int column = 0;
    if (!splitter || !splitter->IsChildPane(active, &row, &column))
        return false;
    if (previous) {
        if (--column < 0) {
            column = splitter->GetColumnCount() - 1;
            if (--row < 0)
                row = splitter->GetRowCount() - 1;
        }
    } else if (++column >= splitter->GetColumnCount()) {
        column = 0;
        if (++row >= splitter->GetRowCount())
            row = 0;
    }
    QWidget *pane = splitter->GetPane(row, column);
    while (auto *nested = qobject_cast<TSplitterWnd *>(pane))
        pane = nested->GetPane(0, 0);
    TVisualPane *node = FindNode(pane);
    return node ? SetActivePane(node) : false;
}

bool TVisualFramework::ProcessMessage(QObject *target, QEvent *event)
{
    if (!event || event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers mods = key->modifiers();
    if (mods & Qt::AltModifier) {
        for (const auto &[id, node] : m_nodes)
            if (node->m_hotKey != 0 && node->m_hotKey == key->key() && SetActivePane(node))
                return true;
        return false;
    }
    if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && (mods & Qt::ControlModifier)
        && m_ctrlTab) {
        auto *window = qobject_cast<QWidget *>(target);
        if (!window || qobject_cast<TFrameWnd *>(window))
            return false;
        TVisualPane *node = NodeOfView(window);
        for (; node; node = node->m_parent) {
            TVisualPane *parent = node->m_parent;
            auto *tabs = parent ? qobject_cast<TTabWnd *>(parent->m_window.data()) : nullptr;
            if (!tabs)
                continue;
            const int count = tabs->GetTabCount();
            const int start = tabs->GetActiveTab();
            const bool backward = (mods & Qt::ShiftModifier) || key->key() == Qt::Key_Backtab;
            int index = start;
            do {
                index = backward ? (index + count - 1) % count : (index + 1) % count;
            } while (index != start && !tabs->SetActiveTab(index, true));
            return true;
        }
        return false;
    }
    return false;
}

bool TVisualFramework::OnCmdMsg(UINT id, TCmdUI *update)
{
    return TCmdTarget::OnCmdMsg(id, update);
}

void TVisualFramework::DestroyNode(TVisualPane *node)
{
    for (TVisualPane *child : node->m_children)
        DestroyNode(child);
    if (node->m_window && IsContainer(node->m_window))
        node->DestroyWindow(true);
}

void TVisualFramework::Destroy()
{
    if (m_focusConnection)
        QObject::disconnect(m_focusConnection);
    for (TVisualPane *root : m_roots)
        DestroyNode(root);
    for (auto &[id, node] : m_nodes) {
        if (node->m_kind == TVisualPane::TabWindow && !node->m_parent)
            node->DestroyWindow(true); // a window class other than a tab window, placed in the frame
        delete node;
    }
    m_nodes.clear();
    m_roots.clear();
}
