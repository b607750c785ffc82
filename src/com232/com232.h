// Sensor link: command and reply frames, the parameter package and the reply
// wait. Line: 19200 baud, 8 data bits, no parity, 1 stop bit, no handshake.
// The frames, codes and words are described in com232/protocol.h.
#pragma once

#include "com232/protocol.h"
#include "settings/riror14.h"

// Status texts of a reply that did not come: most commands' reply wait, and
// the run and video loops'.
inline constexpr char TIMEOUT_TEXT[] = "Timeout-RS-232...";
inline constexpr char PORT_NOT_OPEN_TEXT[] = "Port is not open";
inline constexpr char LOOP_TIMEOUT_TEXT[] = "Timeout RS232-Line!";

// 1 from the moment the port in use went away (FollowPorts), or a frame
// found it not open (never opened, or closed), until a port is set up again
// (InitRS232): frames and reply waits then end at once with "Port is not
// open" instead of waiting out a reply that cannot come.
extern int portGone;

// The scale of the slope word: the slope factor times SLOPEMULTI_512 for
// CCD type CCDTYPE_HALFSCALE, else times SLOPEMULTI.
inline constexpr u16 CCDTYPE_HALFSCALE = 104;
int SlopeScale(void);

// The sync word `sync` is declared in com232/syncword.h (see there why).

// Link state. Written by the senders, the receive callback and the port set-up.
extern int com;               // serial port number, 1 = COM1
extern int order;             // command code of the frame being sent
extern int target;            // RAM, EEPROM or DATFILE
extern int rx_flag;           // 1 when the receive callback has taken a reply frame
extern int stop_flag;         // 1 stops the run and video loops; 0 while one runs
extern int graphrefresh;      // 1 when a new reply awaits display in the run loop
extern u16 pp[16];            // parameter package: the words of the last frame
extern char szWriteBuf[1024]; // transmit buffer; a frame uses the first 36 bytes
extern char szReadBuf[1024];  // receive buffer for replies of 36, 72, 128, 512 bytes
extern int nBytesW;           // count returned by the last ComWrt
extern int nBytesR;           // count returned by the last ComRd of a raw block
extern int ret;               // result of the last step of the port set-up
extern double tstart;         // start of the current reply wait, s
extern double tdiff;          // time elapsed in the current reply wait, s
extern unsigned frameCount;   // command frames sent since start; SendCommand counts
extern unsigned replyCount;   // reply frames taken since start; the receive callback counts
extern int replyWaits;        // reply waits under way (WaitReply nests inside pumps)
extern int rxTrailing;        // bytes behind the last frame taken, dropped by the callback
extern int replyInFlight;     // 1 from a request until the callback takes a reply frame
extern double replySentAt;    // Timer() when the request of replyInFlight was written, s

// The link's defaults, a step of InitVars: COM1, the command sync word,
// target RAM, no loop running.
void AssignLinkDefaults(void);

// Puts every variable of the link back to its value at load.
void ResetLinkToLoad(void);

// Writes the 36-byte command frame into szWriteBuf: sync, the low 16 bits of
// code, then values[0..PNUM-1]. Does not set order.
void FillTxBuf(int code, const u16 *values);

// Unpacks reply words 0..count-1 of szReadBuf into pp.
void GetRxBuf(int count);

// Copies the sixteen settings into pp, and back, in pp order.
void CopyVarsToPP(void);
void CopyPPtoVars(void);

// The serial receive callback: on bit 0x8000 it reads one frame into
// szReadBuf, unpacks it into pp, sets rx_flag and graphrefresh, counts it
// in replyCount and drops whatever else waits. Stray bytes ahead of a reply
// do not shift it: when the frame does not begin with the reply sync word
// 0x00AA but holds it further on, the frame is taken from there, its tail
// read as it comes (at most 0.1 s, without pumping). When no tail comes, a
// frame that echoes order is taken as it stands (a reply with another sync
// word); anything else is dropped. A frame that holds the word nowhere is
// taken as it stands.
void RX_Receive_Function(int port, int events, void *callbackData);

// What a command frame is answered with.
enum { ANSWER_NONE = 0, ANSWER_FRAME = 1, ANSWER_BLOCK = 2 };

// The one way a command frame goes out. When the reply to the request before
// may still be on the line, it is let finish first (pumping events, counted
// as a reply wait, at most 0.1 s after that request). A frame that is
// answered (a reply frame or a raw block) empties both queues and clears
// rx_flag first; one that is not leaves the queues alone, so a frame still
// waiting to leave is not thrown away. Then: order = code, the frame from
// sync, code and words into szWriteBuf, written to com (count in nBytesW),
// and counted in frameCount, so that a loop waiting for its own reply can
// tell that a command run nested in its event pump took over the line.
// When words is pp, pp holds the words sent afterwards. Returns nBytesW.
int SendFrame(int code, const u16 *words, int answer);

// Steps 1 and 2 of every exchange answered by a reply frame: packs the
// settings into pp when withSettings is 1, then sends code with pp
// (SendFrame, ANSWER_FRAME). Returns the count written (nBytesW).
int SendCommand(int code, int withSettings);

// The reply wait: pumps events until rx_flag is 1 or limit seconds have
// passed since now (tstart). On time-out timeoutText goes into szStatus.
// flagFirst 0 is the standard order (the limit is tested first in each pass);
// flagFirst 1 tests rx_flag first, so a reply taken in the last pump counts
// even past the limit. Returns rx_flag: 1 reply taken, 0 time-out. While it
// waits, replyWaits is above 0: a command started from a callback inside the
// pump can see that another one waits for its reply.
int WaitReply(double limit, const char *timeoutText, int flagFirst);

// Shown when a command is asked for while another one waits for its reply.
inline constexpr char BUSY_TEXT[] = "Busy - waiting for a reply!";

// A command that is started while another one waits for its reply would take
// over the line from it: the other would take our reply for its own, or we
// its reply for ours. Returns 1, showing BUSY_TEXT in the status line, when a
// reply wait is under way; 0 when the line is free. The run loop waits on its
// own and does not count here, so commands from inside a running loop go.
int LineBusy(void);

// Waits up to TIMEOUT for the reply that echoes code; 1 when it came (its
// words are in pp). The flush before a send cannot stop a reply that is
// still on its way: a late answer to an earlier command (a measurement
// request of the run loop, say) must not count as ours, so a frame echoing
// another code is passed over. The flag is tested before the limit: a reply
// taken in the last pump counts. On time-out timeoutText goes into szStatus.
int WaitReplyTo(int code, const char *timeoutText);

// Reads a big-endian word of szReadBuf at the given byte offset.
u16 ReadBufWord(int offset);

// 1 when the reply frame in szReadBuf echoes the command code.
int ReplyEchoes(int code);

// 1 when bytes followed the last frame taken: dropped by the callback, or
// arriving within a few byte times after it (waited for without pumping).
// A sensor sends nothing behind a reply, so such bytes were either stray
// ones after it or the tail of a frame that stray bytes pushed back; in the
// second case the words taken are shifted. There is no check sum to tell.
int FrameWasFollowed(void);
