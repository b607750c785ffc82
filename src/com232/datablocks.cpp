// Video data blocks. The requests are built directly in szWriteBuf (not from
// pp); the answers are raw bytes read by polling the input queue while the
// receive callback is off.
#include "com232/datablocks.h"

#include "com232/com232.h"
#include "com232/syncword.h"
#include "main/controls.h"
#include "platform/rs232.h"
#include "platform/runtime.h"
#include "platform/userint.h"

// Pause between two looks at the input queue while no events are pumped, s:
// short against a run cycle of 37.5 ms (a reply is taken at most this late),
// long enough that the wait takes almost no processor time.
static constexpr double QUEUE_POLL = 0.00025;
// Line rate, bytes per second: 19200 baud, 10 bits a byte.
static constexpr double LINE_BYTES_PER_S = 1920.0;
// Allowance beyond a block's own line time before the wait falls back to
// pumping events, s.
static constexpr double BLOCK_SLACK = 0.05;

// One kind of block: its command code, its size and its status texts.
struct BlockKind {
    int code;             // command code of the request
    int words;            // samples in the block
    const char *waiting;  // shown while the block is awaited
    const char *timeout;  // into szStatus when it does not come in time
    const char *received; // into szStatus when exactly the block arrived
};

static const BlockKind KIND64 = {9, BLOCK64, "Waiting for Data[64] ...",
                                 "Timeout-RS-232 while reading 64 data-words!",
                                 "Data[64] block received!"};
static const BlockKind KIND256 = {11, BLOCK256, "Waiting for Data[256] ...",
                                  "Timeout-RS-232 while reading 256 data-words!",
                                  "Data[256] block received!"};

int WaitQueued(int count, double limit) {
    const double start = Timer();
    for (;;) {
        const int n = GetInQLen(com);
        if (n < 0 || n >= count || Timer() - start > limit) return n;
        // Sleep half the line time the missing bytes still need, at least
        // QUEUE_POLL: few looks while a block streams in, a close one at its end.
        const double rest = (count - n) / LINE_BYTES_PER_S / 2;
        Delay(rest > QUEUE_POLL ? rest : QUEUE_POLL);
    }
}

void RemoveRxCallback(void) {
    InstallComCallback(com, 0, FRAMELEN, sync, nullptr, nullptr);
}

void RestoreRxCallback(void) {
    InstallComCallback(com, eventMask, FRAMELEN, sync, RX_Receive_Function, nullptr);
}

// Empties both queues and sends the request: sync, code, first, last and
// fourteen zero words. Counted in frameCount like every other command frame.
static void SendBlockRequest(const BlockKind &kind, int first, int last) {
    order = kind.code;
    FlushOutQ(com);
    FlushInQ(com);
    u16 words[PNUM] = {};
    words[0] = static_cast<u16>(first);
    words[1] = static_cast<u16>(last);
    FillTxBuf(order, words);
    nBytesW = ComWrt(com, szWriteBuf, FRAMELEN);
    frameCount++;
}

void CopyBlockToAdc(int first, int words) {
    for (int k = 0; k < words && 2 * k + 1 < int(sizeof szReadBuf); k++) {
        const long long i = static_cast<long long>(first) + k;
        if (i >= 0 && i < VIDEOSAMPLES) adcbuf[i] = ReadBufWord(2 * k);
    }
}

// Requests one block and waits for it. While the block is on the line (its
// request and its bytes take (36 + 2 x words) / 1920 s) no events are pumped,
// so no callback can start a command in the middle of it. A block that is
// late is waited for pumping events, so that Stop, the window's close box and
// the threshold field act during a long wait. Whatever arrived is read;
// samples whose bytes did not come keep what szReadBuf held.
static int ReadBlock(const BlockKind &kind, int first, int last) {
    const int bytes = 2 * kind.words;
    SendBlockRequest(kind, first, last);
    unsigned sent = frameCount;
    SetCtrlVal(pHandle, PANEL_TEXTStatus, kind.waiting);

    const double quiet = (FRAMELEN + bytes) / LINE_BYTES_PER_S + BLOCK_SLACK;
    tstart = Timer();
    int n = WaitQueued(bytes, quiet);
    tdiff = Timer() - tstart;
    while (n >= 0 && n < bytes) {
        ProcessSystemEvents();
        if (frameCount != sent) {
            // A command started from a callback inside the pump (a fetch, a
            // teach, a port change) emptied the queue and sent its own frame,
            // so our block will not come. Ask again, with the callback off
            // again: a port set-up turns it back on.
            RemoveRxCallback();
            SendBlockRequest(kind, first, last);
            sent = frameCount;
            tstart = Timer();
            n = WaitQueued(bytes, quiet);
            continue;
        }
        n = GetInQLen(com);
        tdiff = Timer() - tstart;
        if (tdiff > TIMEOUT) {
            SetStatus(kind.timeout);
            break;
        }
    }
    if (n < 0) {
        // The port was closed under the wait (main window closed): nothing
        // can arrive, so this is the time-out without sitting it out.
        SetStatus(kind.timeout);
        n = 0;
    }

    const int want = n < int(sizeof szReadBuf) ? n : int(sizeof szReadBuf);
    nBytesR = want > 0 ? ComRd(com, szReadBuf, want) : 0;
    if (nBytesR == bytes) SetStatus(kind.received);
    CopyBlockToAdc(first, kind.words);
    SetCtrlVal(pHandle, PANEL_TEXTStatus, szStatus);
    return 1;
}

int ReadData64(int first, int last) {
    return ReadBlock(KIND64, first, last);
}

int ReadData256(void) {
    return ReadBlock(KIND256, 0, 0);
}
