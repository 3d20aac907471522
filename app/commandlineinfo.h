// The command line: the first argument that is not an option names the document; a folder makes
// that folder the start folder instead. --help and --version print and end the program before
// any window exists.
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

    // The text --help or --version asks for (the first of them counts); empty when neither is
    // there. arguments[0] is the program.
    static QString InfoOptionText(const QStringList &arguments);
    // The folder the browser starts in when the document is the picture at fileName: its
    // absolute folder, or empty when fileName is not an existing file.
    static QString FileFolder(const QString &fileName);
};
