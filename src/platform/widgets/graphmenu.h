// A context menu on graph and strip-chart controls that hands the chosen
// action to the program.
//
// How it works
// - InstallGraphMenu gives the control a menu: "Save picture…" (Ctrl+S),
//   "Copy picture" (Ctrl+C) and, when asked for, "Save frame as CSV…"
//   (Ctrl+Shift+S). It opens on a right click, on the menu key or Shift+F10,
//   and does not wait for a choice: a running loop goes on while it is open.
// - The control becomes reachable by Tab (and by a click), so that its
//   shortcuts and the menu key work from the keyboard.
// - A chosen item, or its shortcut while the control has the focus, calls
//   the program's callback with the panel, the control and the GRAPHMENU_*
//   action, on the user-interface thread.
#pragma once

enum {
    GRAPHMENU_SAVE_PICTURE = 1,
    GRAPHMENU_COPY_PICTURE = 2,
    GRAPHMENU_SAVE_FRAME = 3, // only where InstallGraphMenu was asked for it
};

typedef void (*GraphMenuCallback)(int panel, int control, int action);

// Gives the control its menu (withFrame 1: with "Save frame as CSV…"); a
// control that has one keeps it. Returns 0, or -1 when the control is no
// graph or strip chart.
int InstallGraphMenu(int panel, int control, int withFrame, GraphMenuCallback callback);
