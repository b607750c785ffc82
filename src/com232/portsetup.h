// Port set-up and line check: the chain that brings the link to the sensor up.
#pragma once

#include "com232/portwatch.h"

// Opens and configures the port, installs the receive callback, checks the
// line, identifies the sensor, fetches its settings and its firmware text.
// Every step reports through the status line; nothing stops the program.
void InitRS232(int port);

// Echo check (code 5): 1 when the reply came with the sync word 0x00AA, 0 on
// time-out or a wrong word.
int CheckComLine(int port);

// Callback of DropDCom: its list about to open (event 3) fills it afresh;
// another port chosen (events 1 and 2) sets that port up.
int CC_DropDCom(int panel, int control, int event, void *callbackData, int eventData1,
                int eventData2);
