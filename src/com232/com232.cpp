// Sensor link: frames, the parameter package, the receive callback and the
// reply wait. Line: 19200 baud, 8 data bits, no parity, 1 stop bit.
#include "com232/com232.h"
#include "com232/linksink.h"
#include "com232/syncword.h"

#include "platform/rs232.h"
#include "platform/runtime.h"

#include <cstring>

// Link state; written by the senders, the receive callback and the port set-up.
int com = 0;                 // serial port number, 1 = COM1
int order = 0;               // command code of the frame being sent
int sync = 0;                // first word of every command frame
int target = 0;              // RAM, EEPROM or DATFILE
int rx_flag = 0;             // set by RX_Receive_Function, cleared by the sender
int stop_flag = 0;           // 1 stops the run and video loops
int graphrefresh = 0;        // initialised at load: no reply awaits display
u16 pp[16];                  // parameter package
char szWriteBuf[1024];       // transmit buffer
char szReadBuf[1024];        // receive buffer
int nBytesW = 0;             // count of the last ComWrt
int nBytesR = 0;             // count of the last raw-block ComRd
int ret = 0;                 // result of the last port set-up step
double tstart = 0.0;         // start of the current reply wait, s
double tdiff = 0.0;          // elapsed time of the current reply wait, s
unsigned frameCount = 0;     // command frames sent since start
unsigned replyCount = 0;     // reply frames taken since start
int replyWaits = 0;          // reply waits under way
int portGone = 0;            // the port in use went away or takes nothing; cleared by a port set-up
int rxTrailing = 0;          // bytes behind the last frame taken
int replyInFlight = 0;       // 1 from a request until its reply frame is taken
double replySentAt = 0;      // when that request was written, s
static int frameLeaving = 0; // 1 from a frame without an answer until the next flush
static double frameSentAt = 0; // when that frame was written, s

int SlopeScale(void) {
    return ccdtype == CCDTYPE_HALFSCALE ? SLOPEMULTI_512 : SLOPEMULTI;
}

void AssignLinkDefaults(void) {
    com = 1;
    sync = COMMAND_SYNC;
    order = 1;
    target = RAM;
    rx_flag = 0;
    stop_flag = 1;
}

void ResetLinkToLoad(void) {
    com = order = sync = target = rx_flag = stop_flag = 0;
    graphrefresh = portGone = 0;
    std::memset(pp, 0, sizeof pp);
    std::memset(szWriteBuf, 0, sizeof szWriteBuf);
    std::memset(szReadBuf, 0, sizeof szReadBuf);
    nBytesW = nBytesR = ret = 0;
    tstart = tdiff = 0.0;
    frameCount = replyCount = 0;
    replyWaits = 0;
    rxTrailing = 0;
    replyInFlight = 0;
    replySentAt = 0.0;
    frameLeaving = 0;
    frameSentAt = 0.0;
}

void FillTxBuf(int code, const u16 *values) {
    const unsigned word0 = static_cast<unsigned>(sync) & 0xFFFF;
    const unsigned word1 = static_cast<unsigned>(code) & 0xFFFF;
    szWriteBuf[0] = static_cast<char>(word0 >> 8);
    szWriteBuf[1] = static_cast<char>(word0 & 0xFF);
    szWriteBuf[2] = static_cast<char>(word1 >> 8);
    szWriteBuf[3] = static_cast<char>(word1 & 0xFF);
    for (int i = 0; i < PNUM; i++) {
        szWriteBuf[4 + 2 * i] = static_cast<char>(values[i] >> 8);
        szWriteBuf[5 + 2 * i] = static_cast<char>(values[i] & 0xFF);
    }
}

u16 ReadBufWord(int offset) {
    const auto high = static_cast<unsigned char>(szReadBuf[offset]);
    const auto low = static_cast<unsigned char>(szReadBuf[offset + 1]);
    return static_cast<u16>(high << 8 | low);
}

int ReplyEchoes(int code) {
    return ReadBufWord(2) == (static_cast<unsigned>(code) & 0xFFFF);
}

void GetRxBuf(int count) {
    for (int i = 0; i < count && i < PNUM; i++)
        pp[i] = ReadBufWord(4 + 2 * i);
}

void CopyVarsToPP(void) {
    for (int i = 0; i < PNUM; i++)
        pp[i] = *PARAM_WORDS[i].value;
}

void CopyPPtoVars(void) {
    for (int i = 0; i < PNUM; i++)
        *PARAM_WORDS[i].value = pp[i];
}

// How long the tail of a frame found behind stray bytes may take to come, s:
// at most 34 bytes, 18 ms at 19200 baud, plus a USB adapter's latency.
static constexpr double TAIL_WAIT = 0.1;

static u16 WordIn(const char *bytes, int offset) {
    const auto high = static_cast<unsigned char>(bytes[offset]);
    const auto low = static_cast<unsigned char>(bytes[offset + 1]);
    return static_cast<u16>(high << 8 | low);
}

// Finds the reply behind stray bytes (line noise, the rest of an answer
// nobody waited for) in the frame just read into szReadBuf. Each 00 AA in it
// may begin the reply, the stray bytes' own included: the first whole frame
// that echoes the command sent is taken, else the first whole frame found.
// The bytes a frame needs beyond the 36 read are still on the line; they are
// read as they come, waiting without pumping (the callback cannot pump) at
// most TAIL_WAIT for each. Returns 1 with the frame moved to the front of
// szReadBuf and in *past the bytes read behind it; -1 when the 36 bytes hold
// no sync word at all, 0 when no frame behind one became whole (szReadBuf
// unchanged both times).
static int ResyncBehindStrayBytes(int *past) {
    char seen[2 * FRAMELEN]; // the 36 bytes read and those read after them
    std::memcpy(seen, szReadBuf, FRAMELEN);
    int have = FRAMELEN;
    int taken = -1, found = 0;
    for (int k = 1; k + 1 < FRAMELEN; k++) {
        if (WordIn(seen, k) != REPLY_SYNC) continue;
        found = 1;
        const int more = k + FRAMELEN - have;
        if (more > 0) {
            if (WaitInQ(com, more, TAIL_WAIT) < more) break;
            if (ComRd(com, seen + have, more) != more) break;
            have += more;
        }
        if (taken < 0) taken = k;
        if (WordIn(seen, k + 2) == (static_cast<unsigned>(order) & 0xFFFF)) {
            taken = k;
            break;
        }
    }
    if (taken < 0) return found ? 0 : -1;
    std::memcpy(szReadBuf, seen + taken, FRAMELEN);
    *past = have - taken - FRAMELEN;
    return 1;
}

void RX_Receive_Function(int, int events, void *) {
    if (!(events & LWRS_RECEIVE)) return;
    ComRd(com, szReadBuf, FRAMELEN);
    int past = 0; // bytes read behind the frame taken
    // A frame with another sync word and no 00 AA in it is taken as it
    // stands, for the line check to name.
    if (ReadBufWord(0) != REPLY_SYNC && ResyncBehindStrayBytes(&past) == 0) {
        // No frame behind a sync word in the 36 bytes became whole. If they
        // echo the command sent, they are its reply with another sync word
        // (whose words may hold 00 AA): taken as it stands, so the line check
        // can name the wrong sync word. Otherwise the frame never completed
        // and is dropped like a short reply, so the waiting code runs into
        // its time-out with pp and the flag untouched.
        if (!ReplyEchoes(order)) {
            FlushInQ(com);
            return;
        }
    }
    GetRxBuf(PNUM);
    rx_flag = 1;
    graphrefresh = 1;
    replyInFlight = 0;
    replyCount++;
    // Whatever follows the frame is dropped: the next frame starts clean.
    rxTrailing = past + GetInQLen(com);
    FlushInQ(com);
}

// How long to watch the line behind a frame, s: four byte times at 19200
// baud and a little for the serial driver. The wait ends at the first byte.
static constexpr double TRAIL_WAIT = 0.005;

int FrameWasFollowed(void) {
    if (rxTrailing > 0) return 1;
    return WaitInQ(com, 1, TRAIL_WAIT) > 0;
}

// How long after its request a reply frame may still be on its way, s: the
// request and the reply take 37.5 ms of line time at 19200 baud, and a USB
// adapter may hold each for its latency time.
static constexpr double REPLY_IN_FLIGHT = 0.1;

// How long a frame without an answer may still be on its way to the sensor,
// s: 36 bytes take 18.75 ms of line time at 19200 baud, and the driver and
// the adapter hold them a little longer.
static constexpr double FRAME_LEAVING = 0.1;

// Pumps events, with other commands refused as busy, until *onLine is
// cleared, `limit` seconds have passed since `sentAt` or the port is gone;
// then clears *onLine.
static void WaitOffLine(int *onLine, double sentAt, double limit) {
    if (!*onLine) return;
    replyWaits++;
    for (;;) {
        const double left = limit - (Timer() - sentAt);
        if (!*onLine || left <= 0 || GetInQLen(com) < 0) break;
        PumpEvents(left);
    }
    replyWaits--;
    *onLine = 0;
}

// Nothing can leave, and no reply can come: said at once, and every wait
// and loop after it ends at once (portGone) until the port is set up again.
static int PortNotOpen(int answer) {
    portGone = 1;
    SetStatus(PORT_NOT_OPEN_TEXT);
    LinkStatus(szStatus);
    if (answer != ANSWER_NONE) rx_flag = 0;
    nBytesW = kComPortNotOpen;
    return nBytesW;
}

int SendFrame(int code, const u16 *words, int answer) {
    if (portGone) return PortNotOpen(answer);
    u16 payload[PNUM];
    std::memcpy(payload, words, sizeof payload);
    // A command sent while the reply to the one before is half-way on the
    // line would flush its head and take its tail, stray bytes that may hold
    // 00 AA, in front of its own reply: that reply is let finish first.
    WaitOffLine(&replyInFlight, replySentAt, REPLY_IN_FLIGHT);
    // Emptying the output queue also empties the driver's buffer: a Send or
    // an EEPROM write still in it would never reach the sensor.
    if (answer != ANSWER_NONE) WaitOffLine(&frameLeaving, frameSentAt, FRAME_LEAVING);
    // The reply taken meanwhile went into pp; a frame built from pp sends
    // what it held when the caller asked, and pp holds that afterwards.
    if (words == pp) std::memcpy(pp, payload, sizeof payload);
    if (answer != ANSWER_NONE) {
        FlushInQ(com);
        FlushOutQ(com);
        rx_flag = 0;
    }
    order = code;
    FillTxBuf(order, payload);
    nBytesW = ComWrt(com, szWriteBuf, FRAMELEN);
    // A port that was never opened, or was closed, takes nothing. (A line
    // that died takes nothing either, but the port stays open until the
    // port watch or the reply's time-out has its say.)
    if (nBytesW == kComPortNotOpen) return PortNotOpen(answer);
    frameCount++;
    replyInFlight = answer == ANSWER_FRAME && nBytesW == FRAMELEN;
    replySentAt = Timer();
    frameLeaving = answer == ANSWER_NONE && nBytesW > 0;
    frameSentAt = replySentAt;
    return nBytesW;
}

int SendCommand(int code, int withSettings) {
    if (withSettings) CopyVarsToPP();
    return SendFrame(code, pp, ANSWER_FRAME);
}

int WaitReply(double limit, const char *timeoutText, int flagFirst) {
    if (portGone) {
        if (timeoutText) SetStatus(PORT_NOT_OPEN_TEXT);
        return 0;
    }
    replyWaits++;
    tstart = Timer();
    for (;;) {
        // Wakes on the reply's bytes, on window events or at the limit.
        PumpEvents(limit - (Timer() - tstart));
        tdiff = Timer() - tstart;
        if (flagFirst && rx_flag == 1) break;
        if (tdiff > limit) {
            if (timeoutText) SetStatus(timeoutText);
            break;
        }
        if (rx_flag == 1) break;
    }
    replyWaits--;
    return rx_flag;
}

int LineBusy(void) {
    if (replyWaits <= 0) return 0;
    LinkStatus(BUSY_TEXT);
    return 1;
}

int WaitReplyTo(int code, const char *timeoutText) {
    const double start = Timer();
    for (;;) {
        const double left = TIMEOUT - (Timer() - start);
        if (!WaitReply(left > 0.0 ? left : 0.0, timeoutText, 1)) return 0;
        if (ReplyEchoes(code)) return 1;
        rx_flag = 0;
    }
}
