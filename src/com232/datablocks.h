// Video data blocks: the CCD line's 256 samples, fetched after a measurement
// either as four blocks of 64 words (code 9) or as one block of 256 words
// (code 11 with all parameter words zero). A block is answered by raw bytes,
// two per sample, high byte first, with no header and no check sum, so the
// receive callback must be off while it is read (RemoveRxCallback) and on
// again afterwards (RestoreRxCallback).
#pragma once

// Samples in one video frame, and in the blocks that carry it.
inline constexpr int VIDEOSAMPLES = 256; // samples of adcbuf in one frame
inline constexpr int BLOCK64 = 64;       // words of a code-9 block
inline constexpr int BLOCK256 = 256;     // words of a code-11 block

// Requests the 64-word block that starts at sample first (last: 1 for the
// block at 192, else 0) and stores its samples in adcbuf[first..first+63];
// entries outside adcbuf are never written. Waits up to TIMEOUT, pumping
// events, as a reply wait (LineBusy refuses other commands meanwhile); the
// status line tells how the read went. Returns 1 in every case.
int ReadData64(int first, int last);

// The same for the one 256-word block, into adcbuf[0..255]. Returns 1.
int ReadData256(void);

// Switches the receive callback off so that a raw block stays in the input
// queue, and back on (eventMask, 36 bytes, RX_Receive_Function).
void RemoveRxCallback(void);
void RestoreRxCallback(void);

// Copies words samples from szReadBuf (two bytes each, high byte first) into
// adcbuf[first..first+words-1]; entries outside adcbuf are never written.
void CopyBlockToAdc(int first, int words);
