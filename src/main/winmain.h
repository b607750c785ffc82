// The program's life: start-up, the event loop, shut-down.
#pragma once

// The program entry. Returns 0 after a normal run, -1 when the run-time or a
// panel of the resource file cannot be loaded.
int WinMain(void *hInstance, void *hPrevInstance, char *lpszCmdLine, int nCmdShow);
