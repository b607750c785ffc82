// What the service files of the window services share: the loaded panels by
// handle, the search for the program's data files, and the small steps every
// control operation takes.
#pragma once

#include <QColor>
#include <QString>

class Panel;
class QWidget;

constexpr int kTextBytes = 260; // text buffers of the program, terminator included

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

// The control of a panel and the panel; false when either is unknown.
bool Find(int panel, int control, Panel **p, QWidget **w);

// Colours as the program gives them (0xRRGGBB) and back.
QColor Rgb(int color);
int RgbOf(const QColor &c);

// A widget outside any layout sizes itself to its contents.
void FitIfFree(QWidget *w);

// Truncates toward zero into [lo, hi]; callers reject NaN first.
double TruncateInto(double v, double lo, double hi);
