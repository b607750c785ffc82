// Texts and bytes as other programs read them: the program's 8-bit texts
// (Windows-1252) as UTF-8 for JSON and HTML files, and bytes as base64 for
// pictures carried inside an HTML file. Qt does both conversions.
#pragma once

#include <string>
#include <vector>

// The text up to its terminator as UTF-8; "" for nullptr. The five bytes the
// code page leaves free (0x81, 0x8D, 0x8F, 0x90, 0x9D) become '?'.
std::string WinAnsiToUtf8(const char *text);

// The bytes in base64 (RFC 4648, padded with '=').
std::string Base64Of(const std::vector<unsigned char> &bytes);
