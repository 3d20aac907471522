// The string table: texts by identifier, UTF-8.
#pragma once

#include "platform/wintypes.h"

#include <QString>

// The text of string id; empty when the table has no such string.
QString LoadResString(UINT id);

// True when the table holds string id.
bool HasResString(UINT id);

// Part index of a newline-separated string (prompt 0, tool tip 1; document string parts 0-6);
// empty when the string has fewer parts.
QString ResSubString(UINT id, int index);
