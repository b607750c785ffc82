// Texts of the program are 8-bit Windows-1252 (the sensor descriptions carry
// the micro sign, byte 0xB5); the widgets hold Unicode. These two convert.
#pragma once

#include <QByteArray>
#include <QString>

// Bytes up to the terminator, Windows-1252, to Unicode.
QString FromWinAnsi(const char *text);
// Unicode to Windows-1252; a character the code page lacks becomes '?'.
QByteArray ToWinAnsi(const QString &text);
