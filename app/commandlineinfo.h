// The command line: the first argument that is not an option names the document; a folder makes
// that folder the start folder instead.
#pragma once

#include <QString>
#include <QStringList>

struct CCommandLineInfo {
    enum ShellCommand { FileNew, FileOpen };

    ShellCommand shellCommand = FileNew;
    QString fileName; // FileOpen: the file to open as the document
    QString folder; // a folder argument: the browser panes start there

    // arguments[0] is the program; options start with "-".
    static CCommandLineInfo Parse(const QStringList &arguments);
};
