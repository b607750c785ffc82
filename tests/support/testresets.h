// The program's state back to its value at load, for tests that start
// afresh. Linked only into tests and benchmarks.
#pragma once

// Puts every variable of every module back to its value at load.
void ResetVarsToLoad(void);
