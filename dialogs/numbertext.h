// Numbers typed into dialog fields.
#pragma once

#include <QString>

// The leading decimal number of text (spaces first are skipped; a sign, digits, a fraction and
// an exponent are taken as far as they go); 0 when the text does not start with a number.
double TextToDouble(const QString &text);

// The leading integer of text, clamped to the int range; 0 when there is none.
int TextToInt(const QString &text);

// A field exchanged as an integer: optional spaces, an optional sign and digits only, within the
// int range. False (value untouched) otherwise.
bool ParseIntegerField(const QString &text, int &value);
