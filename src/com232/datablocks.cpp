// Video data blocks. The requests carry their own words (not pp); the
// answers are raw bytes, waited for in the input queue while the receive
// callback is off.
#include "com232/datablocks.h"

#include "com232/com232.h"
#include "com232/linksink.h"
#include "com232/syncword.h"
#include "platform/rs232.h"
#include "platform/runtime.h"

// One kind of block: its command code, its size and its status texts.
struct BlockKind {
    int code;             // command code of the request
    int words;            // samples in the block
    const char *waiting;  // shown while the block is awaited
    const char *timeout;  // into szStatus when it does not come in time
    const char *received; // into szStatus when exactly the block arrived
};

static const BlockKind KIND64 = {CODE_DATA64, BLOCK64, "Waiting for Data[64] ...",
                                 "Timeout-RS-232 while reading 64 data-words!",
                                 "Data[64] block received!"};
static const BlockKind KIND256 = {CODE_DATA256, BLOCK256, "Waiting for Data[256] ...",
                                  "Timeout-RS-232 while reading 256 data-words!",
                                  "Data[256] block received!"};

void RemoveRxCallback(void) {
    InstallComCallback(com, 0, FRAMELEN, sync, nullptr, nullptr);
}

void RestoreRxCallback(void) {
    InstallComCallback(com, eventMask, FRAMELEN, sync, RX_Receive_Function, nullptr);
}

// Sends the request: sync, code, first, last and fourteen zero words.
static void SendBlockRequest(const BlockKind &kind, int first, int last) {
    u16 words[PNUM] = {};
    words[0] = static_cast<u16>(first);
    words[1] = static_cast<u16>(last);
    SendFrame(kind.code, words, ANSWER_BLOCK);
}

void CopyBlockToAdc(int first, int words) {
    for (int k = 0; k < words && 2 * k + 1 < int(sizeof szReadBuf); k++) {
        const long long i = static_cast<long long>(first) + k;
        if (i >= 0 && i < VIDEOSAMPLES) adcbuf[i] = ReadBufWord(2 * k);
    }
}

// Requests one block and waits for it, pumping events, so that Stop, the
// window's close box and the threshold field act at once. The wait wakes on
// the block's bytes. It counts as a reply wait: a command asked for meanwhile
// is refused as busy, since its frame would flush the block half-way. Whatever
// arrived is read; samples whose bytes did not come keep what szReadBuf held.
static int ReadBlock(const BlockKind &kind, int first, int last) {
    const int bytes = 2 * kind.words;
    SendBlockRequest(kind, first, last);
    unsigned sent = frameCount;
    LinkStatus(kind.waiting);

    replyWaits++;
    tstart = Timer();
    int n = 0;
    for (;;) {
        n = PumpUntilInQ(com, bytes, TIMEOUT - (Timer() - tstart));
        tdiff = Timer() - tstart;
        if (n < 0) {
            // The port was closed under the wait (main window closed):
            // nothing can arrive, so this is the time-out without sitting it out.
            SetStatus(kind.timeout);
            n = 0;
            break;
        }
        if (frameCount != sent) {
            // A port set-up run from a callback inside the pump emptied the
            // queue and sent its own frames, so our block will not come. Ask
            // again, with the callback off again: the set-up turns it back on.
            RemoveRxCallback();
            SendBlockRequest(kind, first, last);
            sent = frameCount;
            tstart = Timer();
            continue;
        }
        if (n >= bytes) break;
        if (tdiff > TIMEOUT) {
            SetStatus(kind.timeout);
            break;
        }
    }
    replyWaits--;

    const int want = n < int(sizeof szReadBuf) ? n : int(sizeof szReadBuf);
    nBytesR = want > 0 ? ComRd(com, szReadBuf, want) : 0;
    if (nBytesR == bytes) SetStatus(kind.received);
    CopyBlockToAdc(first, kind.words);
    LinkStatus(szStatus);
    return 1;
}

int ReadData64(int first, int last) {
    return ReadBlock(KIND64, first, last);
}

int ReadData256(void) {
    return ReadBlock(KIND256, 0, 0);
}
