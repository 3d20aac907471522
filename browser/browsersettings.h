// The browser's settings: the last browsed folder ("lastpath" in the "setting" group of the
// program's per-user settings) and the folder used when there is none.
#pragma once

#include <QString>

// The stored folder; empty when there is none.
QString ReadLastPath();
void WriteLastPath(const QString &path);
// The user's Pictures folder when it exists, else the home folder.
QString DefaultBrowseFolder();
// ReadLastPath(), or DefaultBrowseFolder() when nothing is stored.
QString StartBrowseFolder();
