// Fetching and comparing parameter sets for the compare window.
#include "paramsets/compare.h"

#include "com232/com232.h"
#include "com232/syncword.h"
#include "gui/panelio.h"

#include <cstring>

ParamSet compareSets[SET_COUNT]; // empty until read: nothing survives the run

void ReadWindowSet(u16 words[PNUM]) {
    u16 keptPP[PNUM];
    std::memcpy(keptPP, pp, sizeof pp);
    CopyVarsToPP();
    u16 variables[PNUM]; // the settings before GetPanelValues overwrites them
    std::memcpy(variables, pp, sizeof pp);
    GetPanelValues();
    CopyVarsToPP();
    std::memcpy(words, pp, sizeof pp);
    std::memcpy(pp, variables, sizeof pp);
    CopyPPtoVars();
    std::memcpy(pp, keptPP, sizeof pp);
}

const char *CompareRefusal(void) {
    if (stop_flag == 0) return LOOP_REFUSAL_TEXT;
    if (LineBusy()) return BUSY_TEXT;
    return nullptr;
}

int FetchSet(int t, u16 words[PNUM], const char **why) {
    // The reply lands in pp and raises graphrefresh, and a time-out writes
    // szStatus: all three are put back, so that the next command sends
    // what it would have sent and the main window shows what it showed.
    u16 keptPP[PNUM];
    std::memcpy(keptPP, pp, sizeof pp);
    char keptStatus[sizeof szStatus];
    std::memcpy(keptStatus, szStatus, sizeof szStatus);
    const int keptRefresh = graphrefresh;

    const int code = t == EEPROM ? CODE_FETCH_EEPROM : CODE_FETCH_RAM;
    int got = 0;
    const char *reason = nullptr;
    if (SendFrame(code, pp, ANSWER_FRAME) != FRAMELEN) {
        reason = portGone ? PORT_NOT_OPEN_TEXT : NOT_SENT_TEXT;
    } else {
        const unsigned taken = replyCount; // the frames passed over show a wrong answer
        if (WaitReplyTo(code, TIMEOUT_TEXT)) {
            GetRxBuf(PNUM);
            std::memcpy(words, pp, sizeof pp);
            got = 1;
        } else {
            reason = portGone              ? PORT_NOT_OPEN_TEXT
                     : replyCount != taken ? OTHER_REPLY_TEXT
                                           : NO_REPLY_TEXT;
        }
    }
    if (why) *why = reason;
    std::memcpy(pp, keptPP, sizeof pp);
    std::memcpy(szStatus, keptStatus, sizeof szStatus);
    graphrefresh = keptRefresh;
    return got;
}

int DiffersFromRam(int s, int i) {
    if (s == SET_RAM || !compareSets[s].present || !compareSets[SET_RAM].present) return 0;
    return compareSets[s].words[i] != compareSets[SET_RAM].words[i];
}

void TakeSetIntoWindow(const u16 words[PNUM]) {
    std::memcpy(pp, words, sizeof pp);
    graphrefresh = 0; // pp no longer holds a measurement a loop could draw
    CopyPPtoVars();
    SetPanelValues();
}

int WriteSetToEeprom(const u16 words[PNUM]) {
    sync = COMMAND_SYNC;
    // The next command lets this frame leave before it empties the queues.
    return SendFrame(CODE_WRITE_EEPROM, words, ANSWER_NONE) == FRAMELEN;
}
