// The program folder: where the executable lives; the user guide and the updater are found from it.
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
// The user guide's path, with the ".." of kHelpFileName resolved.
QString HelpFilePath();

// The user guide relative to the program folder: share/tarnis-viewer/help/index.html beside bin/,
// both installed and in the build folder.
extern const QString kHelpFileName;
inline const QString kUpdaterFileName = QStringLiteral("duruzezivare.exe");
