// A panel on a screen smaller than the panel's least size.
//
// How it works: a small screen at a large scale factor leaves less room than
// the panel's layout needs. Rather than the window growing past the screen or
// its rows overlapping, the panel's contents move into a scroll area and the
// window is made to fit the screen's available area.
#pragma once

#include <QSize>

class QWidget;

// Fits win (a panel's top-level widget, laid out) to the primary screen:
// returns size, made no larger than the screen (nor smaller than the panel's
// least size) when the panel fits, else moves its contents into a scroll area
// and returns a size within the screen.
QSize FitPanelToScreen(QWidget *win, QSize size);

// Where the panel's contents are drawn: the scroll area's inner widget when
// FitPanelToScreen made one, else win itself.
QWidget *PanelSurface(QWidget *win);
