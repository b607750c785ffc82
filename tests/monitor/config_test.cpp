// (tests to come)
#include "monitorfixture.h"
