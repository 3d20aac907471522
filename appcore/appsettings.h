// The program's own settings: the last browsed folder, the start folder and the start counter.
#pragma once

#include "platform/wintypes.h"

#include <QString>

// The per-user key of the product: "lastpath" and "runtimes" live here.
inline const QString kSettingKey = QStringLiteral("Software\\TarnisTech\\pexora\\setting");
inline const QString kLastPathValue = QStringLiteral("lastpath");
inline const QString kRuntimesValue = QStringLiteral("runtimes");

// The framework's profile: the recent-file list lives below it.
inline const QString kRegistryRoot = QStringLiteral("Local AppWizard-Generated Applications");
inline const QString kProfileKey
    = QStringLiteral("Software\\Local AppWizard-Generated Applications\\Tarnis Viewer");

// The folder used when no folder was saved: the user's Pictures folder when it exists, else home.
QString DefaultStartFolder();

// A folder given on the command line; it takes the place of "lastpath" for this run.
void SetCommandLineFolder(const QString &folder);
QString CommandLineFolder();

// The folder the browser panes start on: the command-line folder, else "lastpath", else the
// default folder.
QString ReadStartFolder();

// Writes folder as "lastpath".
void WriteLastPath(const QString &folder);

// Advances the start counter: stores (read value, or 1 when it is 0) + 1 and returns it.
DWORD AdvanceStartCounter();

// Whether the stored start counter modulo 100 is 99 (the updater is due).
bool UpdaterDue();
