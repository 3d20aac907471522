// A static splitter of rows x columns cells over QSplitter. Every cell keeps an ideal size (the
// initial size of its view, or where the user last dragged the bar); the cells before the last
// get their ideal sizes as far as the space reaches and the last cell takes the rest.
#pragma once

#include "framework/truntimeclass.h"
#include "platform/wintypes.h"

#include <QSize>
#include <QSplitter>
#include <vector>

class TSplitterWnd : public QSplitter
{
    Q_OBJECT
public:
    explicit TSplitterWnd(QWidget *parent = nullptr);
    ~TSplitterWnd() override;

    // Builds the empty grid inside parent (which takes the splitter) with control id.
    bool CreateStatic(QWidget *parent, int rows, int columns, UINT id, bool border = false);

    // Creates a view of class in cell (row, column); its size is the cell's ideal size.
    bool CreateView(
        int row, int column, const TRuntimeClass *viewClass, QSize initialSize, TCreateContext *context);

    // Places an already created window (a nested splitter) in cell (row, column).
    bool SetPane(int row, int column, QWidget *window);

    QWidget *GetPane(int row, int column) const;
    int GetRowCount() const { return m_rows; }
    int GetColumnCount() const { return m_columns; }
    UINT IdFromRowCol(int row, int column) const;

    // True when window is the window of a cell; the cell is stored in row and column.
    bool IsChildPane(const QWidget *window, int *row, int *column) const;

    void SetColumnIdeal(int column, int width);
    void SetRowIdeal(int row, int height);
    int GetColumnIdeal(int column) const;
    int GetRowIdeal(int row) const;

    // The sizes a line of cells gets: ideal sizes in order while space remains, the rest to the
    // last cell. Negative ideals share the space left equally.
    static std::vector<int> DistributeSizes(const std::vector<int> &ideal, int available);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSplitter *LineOf(int row) const;
    int IndexInLine(int row, int column) const;
    void ApplyIdealSizes(QSplitter *line);
    void RememberDraggedSizes(QSplitter *line);

    int m_rows = 0;
    int m_columns = 0;
    std::vector<QSplitter *> m_rowLines; // one horizontal splitter per row when the grid is 2-D
    std::vector<int> m_columnIdeal;
    std::vector<int> m_rowIdeal;
    bool m_applying = false;
};
