// Opening files through the desktop, as a user's double click would.
#pragma once

#include <QString>

// Asks the desktop to open the file at path; false (and nothing launched) when the file does not
// exist or the desktop refuses. Never shows a message.
bool ShellOpen(const QString &path);
