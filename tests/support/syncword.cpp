// Kept apart from every POSIX header: see com232/syncword.h.
#include "com232/syncword.h"

int &SyncWord() {
    return sync;
}
