// The program folder: where the executable lives, and the help file and updater beside it.
#pragma once

#include <QString>

// The module path cut before its last separator (the separator is dropped); the whole path when
// it holds none.
QString ProgramFolderFromModulePath(const QString &modulePath);

// The program folder of this run, as the application object recorded it.
void SetProgramFolder(const QString &folder);
QString GetProgramFolder();

// The program folder followed by a separator and name (no other separator is inserted).
QString ProgramFolderFile(const QString &name);

inline const QString kHelpFileName = QStringLiteral("pexora.chm");
inline const QString kUpdaterFileName = QStringLiteral("duruzezivare.exe");
