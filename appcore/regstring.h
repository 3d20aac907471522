// Per-user settings in registry terms. A key "Software\<organisation>\<application>\<group>..."
// is the QSettings store of that organisation and application (the registry on Windows, a file
// under the user's configuration folder elsewhere) and the group path below it.
#pragma once

#include "platform/wintypes.h"

#include <QString>

// Reads a string value; 1 only when the value exists and is not empty, else 0 (out unchanged).
// Never creates the key.
int ReadRegString(const QString &key, const QString &valueName, QString &out);

// Stores a string value, creating the key when needed. Failures are silent.
void WriteRegString(const QString &key, const QString &valueName, const QString &value);

// Reads a 32-bit number; false (out unchanged) when the value is missing or not a number.
bool ReadRegDword(const QString &key, const QString &valueName, DWORD &out);

// Stores a 32-bit number, creating the key when needed. Failures are silent.
void WriteRegDword(const QString &key, const QString &valueName, DWORD value);

// Removes the key with all its values. Failures are silent.
void DeleteRegKey(const QString &key);

// The settings store and group of key; false when key does not name one.
bool SplitRegKey(const QString &key, QString &organisation, QString &application, QString &group);
