// Fetching the sensor's parameter set into the settings and the window.
#pragma once

// Fetches from RAM (code 2) or EEPROM (code 4), or for DATFILE only
// refreshes the window, and shows the outcome in the status line.
void PushGET(int t);
