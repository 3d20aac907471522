#include "browser/itemdroptarget.h"

#include <QMimeData>
#include <QUrl>

bool ItemDropTarget::Accepts(const QMimeData *mime, short sourceMode)
{
    return mime != nullptr && sourceMode != 2 && !DroppedPaths(mime).empty();
}

std::vector<std::string> ItemDropTarget::DroppedPaths(const QMimeData *mime)
{
    std::vector<std::string> paths;
    if (mime == nullptr || !mime->hasUrls())
        return paths;
    for (const QUrl &url : mime->urls()) {
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toUtf8().toStdString());
    }
    return paths;
}
