#include "framework/tvisualpane.h"

TVisualPane::TVisualPane(
    UINT id, const QString &title, int rows, int columns, TCreateContext *context, DWORD flags)
    : m_kind(SplitterInFrame)
    , m_id(id)
    , m_title(title)
    , m_rows(rows)
    , m_columns(columns)
    , m_context(context)
    , m_flags(flags)
{
}

TVisualPane::TVisualPane(UINT id, int row, int column, TCreateContext *context,
    const TRuntimeClass *runtimeClass, int width, int height, DWORD flags)
    : m_kind(ViewInSplitter)
    , m_id(id)
    , m_row(row)
    , m_column(column)
    , m_context(context)
    , m_runtimeClass(runtimeClass)
    , m_width(width)
    , m_height(height)
    , m_flags(flags)
{
}

TVisualPane::TVisualPane(
    UINT id, int row, int column, int rows, int columns, TCreateContext *context, DWORD flags)
    : m_kind(SplitterInSplitter)
    , m_id(id)
    , m_rows(rows)
    , m_columns(columns)
    , m_row(row)
    , m_column(column)
    , m_context(context)
    , m_flags(flags)
{
}

TVisualPane::TVisualPane(Kind kind, UINT id, const QString &title, TCreateContext *context,
    const TRuntimeClass *runtimeClass, DWORD flags)
    : m_kind(kind)
    , m_id(id)
    , m_title(title)
    , m_context(context)
    , m_runtimeClass(runtimeClass)
    , m_flags(flags)
{
}

TVisualPane::~TVisualPane() = default;

void TVisualPane::DestroyWindow(bool destroyWindow)
{
    if (destroyWindow && m_window)
        delete m_window.data();
    m_window = nullptr;
}
