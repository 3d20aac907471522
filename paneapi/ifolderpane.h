// What the main frame asks of the folder tree pane (node 139).
#pragma once

#include <QString>

class IFolderPane
{
public:
    virtual ~IFolderPane() = default;

    // The path of the selected folder (the last file-system path selected).
    virtual QString GetSelectedPath() const = 0;
};
