// What the service files of the platform share: the loaded panels by handle
// and the search for the program's data files.
#pragma once

#include <QString>

class Panel;
class QWidget;

// The panel of a handle, or nullptr (unknown or discarded).
Panel *FindPanel(int handle);

// A file named by the program: a path with a folder is taken as given; a bare
// name is looked for beside the executable, then in the installed data
// folder. Returns the first that exists, else the name as given.
QString ResolveDataFile(const QString &name);

// Arrays handed in by the program: the size of one element of a VAL_* type
// (0 for an unknown type) and element `index` as a double (exact for every
// type up to 32 bits).
int ElementSize(int type);
double ElementAt(const void *array, int type, int index);

// Whether a layout places the widget (else it keeps the position it is given).
bool IsLaidOut(const QWidget *w);
