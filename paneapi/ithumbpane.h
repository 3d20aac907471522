// What the main frame asks of the thumbnail pane (node 135).
#pragma once

#include <QString>

class IThumbPane
{
public:
    virtual ~IThumbPane() = default;

    // Shows folder; the main frame passes mode 1.
    virtual void SetFolder(const QString &folder, int mode) = 0;
    // Path of the current thumbnail; empty when the grid is hidden or empty.
    virtual QString GetCurrentFile() const = 0;
    virtual void SelectPrevious() = 0;
    virtual void SelectNext() = 0;
    // Path of the picture after (next) or before the current one in the grid's order; empty at
    // an end or when the grid is hidden or empty.
    virtual QString NeighbourFile(bool next) const
    {
        (void)next;
        return QString();
    }
};
