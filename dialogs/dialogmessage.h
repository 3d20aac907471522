// Message boxes of the dialogs: a text from the string table under the program's title.
#pragma once

#include "platform/wintypes.h"

#include <QMessageBox>
#include <QString>

// Shows text modally with an OK button; returns when the user closes it.
void DialogMessage(QWidget *parent, const QString &text, QMessageBox::Icon icon = QMessageBox::Warning);

// The same with the text of string id.
void DialogMessage(QWidget *parent, UINT id, QMessageBox::Icon icon = QMessageBox::Warning);
