// The sensor's side of the RS-232 line: 19200 baud, 8 data bits, no parity,
// 1 stop bit, no handshake.
//
// The PC sends 36-byte command frames: sync word 0x0055, command code, sixteen
// payload words, all big-endian. The sensor answers with a 36-byte reply frame
// (sync word 0x00AA, the code answered, sixteen words) or with a raw block
// without header (72-byte firmware text, 128- and 512-byte video blocks).
// Nothing here is shared with the PC side of the program on purpose.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sim {

using u16 = std::uint16_t;

inline constexpr int kWords = 16;                 // payload words of a frame
inline constexpr int kFrameLen = 4 + 2 * kWords;  // 36 bytes
inline constexpr u16 kCommandSync = 0x0055;       // first word of a command frame
inline constexpr u16 kReplySync = 0x00AA;         // first word of a reply frame
inline constexpr u16 kWrongSync = 0x00AB;         // what the wrong-sync fault sends
inline constexpr double kBytesPerSecond = 1920.0; // 19200 baud, 10 bits per byte
inline constexpr int kFirmwareLen = 72;           // firmware block, bytes
inline constexpr int kVideoSamples = 256;         // samples of one video line
inline constexpr int kBlock64Len = 128;           // bytes of a 64-word block
inline constexpr int kBlock256Len = 512;          // bytes of the 256-word block

// Command codes the sensor understands.
enum Code : int {
    kWriteRam = 1,
    kReadRam = 2,
    kWriteEeprom = 3,
    kReadEeprom = 4,
    kEcho = 5,
    kTeach = 6,
    kFirmware = 7,
    kRun = 8,
    kBlock64 = 9,
    kIdentity = 10,
    kBlock256OrReset = 11, // 256-word block or analog max/min reset, told apart by payload
    kCalibration = 12,
};
inline constexpr int kFirstCode = kWriteRam;
inline constexpr int kLastCode = kCalibration;

// Calibration sub-commands (payload word 0 of code 12).
enum CalSub : int { kCalStop = 0, kCalActivate = 1, kCalWrite = 2 };

// Words of the parameter set, in frame order.
enum Param : int {
    kPower,
    kTolMode,
    kVThd,
    kAnaMode,
    kPolarity,
    kEMode,
    kEBeg,
    kEEnd,
    kTVal,
    kTTol,
    kOpMode,
    kEHardware,
    kSlope,
    kIntersect,
    kAverage,
    kPowMode,
};

// Big-endian word access.
inline u16 GetWord(const std::uint8_t *p) {
    return static_cast<u16>(p[0] << 8 | p[1]);
}
inline void PutWord(std::uint8_t *p, u16 w) {
    p[0] = static_cast<std::uint8_t>(w >> 8);
    p[1] = static_cast<std::uint8_t>(w & 0xFF);
}

} // namespace sim
