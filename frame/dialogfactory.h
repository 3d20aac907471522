// The dialogs the shell opens, in one place so the dialog implementations plug in here.
#pragma once

#include <QString>

class QWidget;

// The About box, modal.
void ShowAboutBox(QWidget *parent);

// The Batch Convert dialog with both folders preset, modal; returns the dialog's result code.
int RunBatchConvertDialog(QWidget *parent, const QString &sourceFolder, const QString &targetFolder);
