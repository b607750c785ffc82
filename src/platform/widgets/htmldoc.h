// HTML documents of the program (the commissioning report): printed through
// the print dialog, or drawn into a picture.
//
// How it works: the HTML is laid out by QTextDocument, which takes inline
// styles and images embedded as data: URLs; the print dialog offers the
// printers and printing to a PDF file. Texts are UTF-8.
#pragma once

#include <string>
#include <vector>

// Shows the print dialog and prints the document on what the user chose.
// 1 printed, 0 cancelled, -1 when printing failed.
int PrintHtmlDocument(const std::string &html, const char *title);

// Writes the document into a PDF file (A4) without a dialog and without the
// print service. 0 or -1.
int HtmlToPdf(const std::string &html, const char *path);

// The document laid out at width pixels, as PNG bytes. 0 or -1.
int HtmlToPng(const std::string &html, int width, std::vector<unsigned char> *png);
