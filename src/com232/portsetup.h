// Port set-up and line check: the chain that brings the link to the sensor up.
#pragma once

// Opens and configures the port, installs the receive callback, checks the
// line, identifies the sensor, fetches its settings and its firmware text.
// Every step reports through the status line; nothing stops the program.
void InitRS232(int port);

// Echo check (code 5): 1 when the reply came with the sync word 0x00AA, 0 on
// time-out or a wrong word.
int CheckComLine(int port);

// The status text of a negative OpenComConfig result.
const char *OpenErrorText(int result);

// Fills the port selector DropDCom with the ports present now ("COM1
// /dev/ttyS0"; the adapter that went away while in use, back again, is
// marked "(reconnected)") and selects the port com.
void FillPortSelector(void);

// Callback of DropDCom: its list about to open (event 3) fills it afresh;
// another port chosen (events 1 and 2) sets that port up.
int CC_DropDCom(int panel, int control, int event, void *callbackData, int eventData1,
                int eventData2);
