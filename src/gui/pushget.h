// Fetching the sensor's parameter set into the settings and the window.
#pragma once

// Fetches from RAM (code 2) or EEPROM (code 4), or for DATFILE only
// refreshes the window, and shows the outcome in the status line. Returns 1
// when the sensor's frame was taken (always for DATFILE), 0 on a time-out.
int PushGET(int t);
