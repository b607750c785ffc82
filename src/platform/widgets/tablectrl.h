// Table controls: a grid of text cells in a panel (a QTableWidget of the
// resource file, reached by its control number), read-only for the user.
//
// How it works: the program sets the size and headers once, then writes the
// text of each cell; a cell can be marked, which shows it on a highlighted
// background with a bold font and makes its accessible text say so. Texts
// are UTF-8. Every operation returns 0, or -1 when the panel or control is
// unknown or no table, or the cell lies outside the table.
#pragma once

#include <string>
#include <vector>

// Rows and columns with their header texts (the counts are the lists' sizes).
int SetTableHeaders(int panel, int control, const std::vector<std::string> &rowHeaders,
                    const std::vector<std::string> &columnHeaders);
// The text of a cell and whether it is marked.
int SetTableCell(int panel, int control, int row, int column, const std::string &text, int marked);
int GetTableCell(int panel, int control, int row, int column, std::string *text, int *marked);
