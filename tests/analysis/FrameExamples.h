#pragma once
#include <string>
#include <vector>

#include "support/SampleCapture.h"

// Hand-built captures with known frames, on a line of 10000 bit/s with 8 data bits, no parity
// and one stop bit (one character = 1 ms), and the rows vexlo-cli frames writes for them as
// csv without the index: dir,start_s,bytes,errors,gap_ms,reply_ms,hex[,unit,function,kind,
// crc_ok]. Shared by the analysis tests and the command-line tests.
struct FrameExample {
    const char* name;
    std::vector<uint8_t> records;
    int16_t idleMode;  // idle steps per second (0: unknown)
    int gapMs;
    bool modbus;
    std::vector<std::string> rows;
};

// A capture for the definition [stx] Start=02 End=03 Check=xor8 CheckAfterEnd=1: on SD noise,
// then a good frame; on RD a frame whose check is bad; an idle record; a good SD frame; an RD
// frame cut short by the end. Five frames: two good checks, one bad, one noise, one truncated.
inline std::vector<uint8_t> StxCapture() {
    SampleCapture c;
    c.Pairs({0x7A, 0x02, 0x41, 0x42, 0x03, 0x02}, true);
    c.Pairs({0x02, 0x31, 0x03, 0x00}, false);
    c.Idle(3);
    c.Pairs({0x02, 0x43, 0x03, 0x42}, true);
    c.Pairs({0x02, 0x44}, false);
    return c.bytes;
}

inline std::vector<FrameExample> FrameExamples() {
    constexpr bool kSd = true;
    constexpr bool kRd = false;
    std::vector<FrameExample> examples;

    SampleCapture turns;
    turns.Data("AB", kRd).Idle(2).Data("CDE", kSd).Data("OK", kRd).Idle(1).Data("x", kRd);
    examples.push_back({"a change of direction and every idle record split",
                        turns.bytes,
                        100,
                        0,
                        false,
                        {"RD,0.000000,2,0,,,41 42", "SD,0.022000,3,0,20,20,43 44 45",
                         "RD,0.025000,2,0,0,0,4F 4B", "RD,0.037000,1,0,10,,78"}});

    SampleCapture errors;
    errors.Data("a", kSd).Idle(1).LineState(0x05).Stamp(9, 0, 0).Pair('b', kSd, true);
    errors.Pair('c', kSd, false, true).Idle(2).Data("d", kSd);
    examples.push_back({"an idle record below the gap, line states and stamps do not split",
                        errors.bytes,
                        100,
                        15,
                        false,
                        {"SD,0.000000,3,2,,,61 62 63", "SD,0.033000,1,0,20,,64"}});

    SampleCapture stamps;
    stamps.Stamp(10, 0, 0).Data("q", kRd).Idle(1).Stamp(10, 0, 2).Data("r", kSd);
    examples.push_back({"a time stamp sets the clock as the pcap export does",
                        stamps.bytes,
                        100,
                        0,
                        false,
                        {"RD,0.000000,1,0,,,71", "SD,2.000000,1,0,1999,1999,72"}});

    SampleCapture unknown;
    unknown.Data("A", kRd).Idle(3).Data("B", kRd);
    examples.push_back({"under an unknown idle scale idle records split but take no time",
                        unknown.bytes,
                        0,
                        0,
                        false,
                        {"RD,0.000000,1,0,,,41", "RD,0.001000,1,0,,,42"}});

    // Two stray bytes after a reply: noise, which neither counts as a bad CRC nor turns the
    // master's next request into a reply; the turnaround is timed from the reply.
    SampleCapture noise;
    noise.Pairs({0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}, kSd).Idle(1);
    noise.Pairs({0x01, 0x03, 0x02, 0x12, 0x34, 0xB5, 0x33, 0xAA, 0xBB}, kRd).Idle(1);
    noise.Pairs({0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x98, 0x0B}, kSd).Idle(1);
    noise.Pairs({0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x98, 0x0B}, kRd);
    examples.push_back({"Modbus noise after a reply is its own kind",
                        noise.bytes,
                        100,
                        0,
                        true,
                        {"SD,0.000000,8,0,,,01 03 00 00 00 01 84 0A,1,3,request,true",
                         "RD,0.018000,7,0,10,10,01 03 02 12 34 B5 33,1,3,reply,true",
                         "RD,0.025000,2,0,0,,AA BB,,,noise,",
                         "SD,0.037000,8,0,10,12,01 06 00 01 00 03 98 0B,1,6,request,true",
                         "RD,0.055000,8,0,10,10,01 06 00 01 00 03 98 0B,1,6,reply,true"}});

    SampleCapture m;
    m.Pairs({0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD}, kSd).Idle(1);
    m.Pairs({0x01, 0x03, 0x02, 0x00, 0x2A, 0x39, 0x9B}, kRd).Idle(1);
    m.Pairs({0x01, 0x06, 0x00, 0x01, 0x00, 0x03, 0x98, 0x0C}, kSd).Idle(1);  // bad CRC
    m.Pairs({0x01, 0x83, 0x02, 0xC0, 0xF1}, kRd).Idle(1);
    m.Pairs({0x02, 0x03, 0x00, 0x10, 0x00, 0x01, 0x85, 0xFC}, kSd).Idle(1);  // no reply
    m.Pairs({0x03, 0x06, 0x00, 0x02, 0x12, 0x34, 0x24, 0x9F,                 // two frames
             0x04, 0x06, 0x00, 0x03, 0x00, 0x07, 0x38, 0x5D},                // in one run
            kSd);
    examples.push_back(
        {"Modbus frames: a reply, a bad CRC, an exception, no reply, two frames in one run",
         m.bytes,
         100,
         0,
         true,
         {"SD,0.000000,8,0,,,01 03 00 00 00 0A C5 CD,1,3,request,true",
          "RD,0.018000,7,0,10,10,01 03 02 00 2A 39 9B,1,3,reply,true",
          "SD,0.035000,8,0,10,10,01 06 00 01 00 03 98 0C,1,6,request,false",
          "RD,0.053000,5,0,10,10,01 83 02 C0 F1,1,131,exception,true",
          "SD,0.068000,8,0,10,10,02 03 00 10 00 01 85 FC,2,3,request,true",
          "SD,0.086000,8,0,10,,03 06 00 02 12 34 24 9F,3,6,request,true",
          "SD,0.094000,8,0,0,,04 06 00 03 00 07 38 5D,4,6,request,true"}});
    return examples;
}
