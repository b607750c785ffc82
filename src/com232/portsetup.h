// Port set-up and line check: the chain that brings the link to the sensor up.
#pragma once

// Opens and configures the port, installs the receive callback, checks the
// line, identifies the sensor, fetches its settings and its firmware text.
// Every step reports through the link's sink; nothing stops the program.
// Returns OpenComConfig's negative result when the port did not open, else a
// LinkChainEnd (a later step that failed has said so in the status). ret
// keeps the last step's own result.
enum LinkChainEnd {
    CHAIN_SILENT = 0,   // the sensor did not answer the echo
    CHAIN_ANSWERED = 1, // it answered, but its parameter set was not read
    CHAIN_SET_READ = 2, // it answered and its set from RAM is in the settings
};
int InitRS232(int port);

// Echo check (code 5): 1 when the reply came with the sync word 0x00AA, 0 on
// time-out or a wrong word.
int CheckComLine(int port);

// Fetches the parameter set from RAM (code 2) or EEPROM (code 4) into pp
// and the settings; "Parameter-frame received! - Line Ok!" goes into
// szStatus. 1 when it came; 0 on time-out (TIMEOUT_TEXT) and for DATFILE.
int FetchParameters(int t);

// The status text of a negative OpenComConfig result.
const char *OpenErrorText(int result);
