// Protocols by definition: checksums, VXProto.ini definitions and frames of hand-built captures.
#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/FrameAnalysis.h"
#include "analysis/FrameSummary.h"
#include "analysis/Protocol.h"
#include "support/SampleCapture.h"

namespace {

constexpr bool kSd = true;
constexpr bool kRd = false;

// text with its checksum appended, in the given byte order.
std::string WithCheck(std::string text, proto::Check check, bool bigEndian, size_t from = 0) {
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    const uint32_t v = proto::checksum(check, p + from, text.size() - from);
    const size_t n = proto::checkSize(check);
    for (size_t i = 0; i < n; ++i) {
        const size_t shift = 8 * (bigEndian ? n - 1 - i : i);
        text.push_back(static_cast<char>(v >> shift & 0xFF));
    }
    return text;
}

// The protocol named name: built in, or the one section of definition.
FrameOptions OptionsFor(const std::string& definition) {
    FrameOptions o;
    if (auto builtin = proto::builtinProtocol(definition)) {
        o.protocol = std::move(*builtin);
        return o;
    }
    const proto::ProtocolFile file = proto::parseProtocols(definition);
    EXPECT_EQ(file.error, "");
    if (!file.protocols.empty()) {
        o.protocol = file.protocols.front();
    }
    return o;
}

// dir,start_ms,bytes,gap_ms,reply_ms,hex,check,problem of each frame (and ,errors when asked),
// the records fed in pieces of the given size.
std::vector<std::string> Rows(const FrameOptions& o, const std::vector<uint8_t>& records,
                              size_t pieceSize, bool errors = false) {
    std::vector<std::string> rows;
    FrameAnalyser analyser(
        LineTiming{10000, 1, 0, 0, 100}, o,
        [&rows, errors](const Frame& f, std::span<const uint8_t> bytes) {
            const auto ms = [](const std::optional<int64_t>& v) { return v ? msText(*v) : ""; };
            rows.push_back(std::string(f.sd ? "SD," : "RD,") + msText(f.startMicros) + ',' +
                           std::to_string(f.bytes) + ',' + ms(f.gap()) + ',' + ms(f.reply()) + ',' +
                           hexText(bytes) + ',' + proto::checkStateName(f.check) + ',' +
                           proto::problemName(f.problem) +
                           (errors ? ',' + std::to_string(f.errors) : ""));
        });
    std::vector<uint8_t> piece;
    for (size_t at = 0; at < records.size(); at += pieceSize) {
        const size_t n = std::min(pieceSize, records.size() - at);
        piece.insert(piece.end(), records.begin() + static_cast<ptrdiff_t>(at),
                     records.begin() + static_cast<ptrdiff_t>(at + n));
        piece.erase(piece.begin(), piece.begin() + static_cast<ptrdiff_t>(
                                                       analyser.add(piece.data(), piece.size())));
    }
    analyser.finish();
    return rows;
}

const char* const kStx = "[stx]\nStart=02\nEnd=03\nCheck=xor8\nCheckAfterEnd=1\n";

}  // namespace

TEST(Protocol, ChecksumsGiveTheStandardCheckValues) {
    const std::string text = "123456789";
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    const struct {
        proto::Check check;
        uint32_t value;
    } cases[] = {{proto::Check::Sum8, 0xDD},          {proto::Check::Xor8, 0x31},
                 {proto::Check::Lrc8, 0x23},          {proto::Check::Crc8, 0xF4},
                 {proto::Check::Crc16Modbus, 0x4B37}, {proto::Check::Crc16CcittFalse, 0x29B1},
                 {proto::Check::Crc16Xmodem, 0x31C3}, {proto::Check::Crc16Kermit, 0x2189},
                 {proto::Check::Crc32, 0xCBF43926}};
    for (const auto& c : cases) {
        EXPECT_EQ(proto::checksum(c.check, p, text.size()), c.value) << proto::checkName(c.check);
        EXPECT_EQ(proto::checkNamed(proto::checkName(c.check)), c.check);
    }
}

TEST(Protocol, MalformedDefinitionsAreRefusedWithLineReasonAndKey) {
    const struct {
        const char* text;
        const char* error;
        const char* key;  // the key the error concerns
    } cases[] = {
        {"; comment\n[a]\nStart=7E\nEnd=7E\n[b]\nFixed=4\n", "", ""},
        {"Start=02\n", "line 1: a key before the first [NAME]", ""},
        {"[a]\nStart=0\nEnd=03\n", "line 2: Start=0: expected 1 to 16 bytes as pairs of hex digits",
         "Start"},
        {"[a]\nEnd=0G\n", "line 2: End=0G: expected 1 to 16 bytes as pairs of hex digits", "End"},
        {"[a]\nStart=02\n", "line 1: [a]: a frame has no way to end: give End, Length or Fixed",
         "End"},
        {"[a]\nLength=1,3,BE,0\n",
         "line 2: Length=1,3,BE,0: expected OFFSET,SIZE,ORDER,ADJUST with SIZE 1, 2 or 4 and "
         "ORDER BE or LE",
         "Length"},
        {"[a]\nLength=1,2,XE,0\n",
         "line 2: Length=1,2,XE,0: expected OFFSET,SIZE,ORDER,ADJUST with SIZE 1, 2 or 4 and "
         "ORDER BE or LE",
         "Length"},
        {"[a]\nLength=1,2\n",
         "line 2: Length=1,2: expected OFFSET,SIZE,ORDER,ADJUST with SIZE 1, 2 or 4 and ORDER "
         "BE or LE",
         "Length"},
        {"[a]\nFixed=4\nLength=1,1,BE,2\n",
         "line 1: [a]: Length and Fixed together: a frame has one size", "Fixed"},
        {"[a]\nEnd=03\nCheck=crc17\n",
         "line 3: Check=crc17: expected none, sum8, xor8, lrc8, crc8, crc16-modbus, "
         "crc16-ccitt-false, crc16-xmodem, crc16-kermit or crc32",
         "Check"},
        {"[a]\nFixed=4\nCheckAfterEnd=1\nCheck=sum8\n", "line 1: [a]: CheckAfterEnd=1 without End",
         "CheckAfterEnd"},
        {"[a]\nEnd=03\nCheckOrder=LE\n", "line 1: [a]: CheckOrder without a Check", "Check"},
        {"[a]\nEnd=03\nEnd=04\n", "line 3: End is given twice", "End"},
        {"[a]\nEnd=03\nColour=red\n", "line 3: unknown key Colour", ""},
        {"[a]\nEnd=03\n[A]\nEnd=04\n", "line 3: [A] is defined twice", ""},
        {"[lines]\nEnd=03\n", "line 1: [lines] is a built-in protocol", ""},
        {"[a\nEnd=03\n", "line 1: a section header is [NAME]", ""},
        {"[a]\nEnd 03\n", "line 2: expected KEY=VALUE or [NAME]", ""},
        {"[a]\nStart=AA\nFixed=2\nCheck=crc16-modbus\n",
         "line 1: [a]: Fixed=2 is shorter than Start and the checksum", "Fixed"},
        {"[a]\nEnd=03\nTimeout=0\n", "line 3: Timeout=0: expected milliseconds from 1 to 86400000",
         "Timeout"},
        {"[a]\nFixed=8\nMax=4\n", "line 1: [a]: Fixed is larger than Max", "Max"},
        {"[a]\nLength=9,2,LE,0\nMax=10\n", "line 1: [a]: the length field lies beyond Max", "Max"},
    };
    for (const auto& c : cases) {
        const proto::ProtocolFile file = proto::parseProtocols(c.text);
        EXPECT_EQ(file.error, c.error) << c.text;
        EXPECT_EQ(file.errorKey, c.key) << c.text;
        EXPECT_EQ(file.protocols.empty(), *c.error != '\0') << c.text;
    }
    const proto::ProtocolFile two =
        proto::parseProtocols("[a]\r\nStart=7E\r\nEnd=7E\r\n[b]\nFixed=4");
    ASSERT_EQ(two.protocols.size(), 2U);
    EXPECT_EQ(findProtocol(two, "A"), &two.protocols[0]);
    EXPECT_EQ(two.protocols[1].fixed, 4U);
}

TEST(Protocol, CapturesGiveTheirFramesChecksAndProblemsWholeAndInPieces) {
    const std::string good =
        "\x02"
        "AB\x03\x02";  // xor of 02 41 42 03
    const std::string body =
        "\xAA\x03"
        "abc";  // start, length 3, payload
    const std::string modbusLe = WithCheck(body, proto::Check::Crc16Modbus, false);
    const std::string modbusBe = WithCheck(body, proto::Check::Crc16Modbus, true);
    const std::string ccittBe = WithCheck(body, proto::Check::Crc16CcittFalse, true);
    const std::string ccittLe = WithCheck(body, proto::Check::Crc16CcittFalse, false);
    const std::string lengthLe = "[len]\nStart=AA\nLength=1,1,BE,4\nCheck=crc16-modbus\n";
    const std::string lengthBe =
        "[len]\nStart=AA\nLength=1,1,BE,4\nCheck=crc16-ccitt-false\nCheckOrder=BE\n";
    const std::string timeout = std::string(kStx) + "Timeout=20\n";
    struct Case {
        const char* name;
        std::string definition;
        SampleCapture records;
        std::vector<std::string> rows;
    };
    const auto data = [](std::initializer_list<std::pair<std::string, bool>> parts) {
        SampleCapture s;
        for (const auto& [text, sd] : parts) {
            s.Data(text, sd);
        }
        return s;
    };
    const Case cases[] = {
        {"start and end with xor8 after the end, a bad one, noise before a start",
         kStx,
         data({{good, kSd},
               {"\x02"
                "AB\x03\x07",
                kRd},
               {"zz" + good, kSd}}),
         {"SD,0,5,,,02 41 42 03 02,ok,", "RD,5,5,0,0,02 41 42 03 07,bad,",
          "SD,10,2,0,,7A 7A,none,noise", "SD,12,5,0,2,02 41 42 03 02,ok,"}},
        {"a length field and a CRC little-endian, then a CRC in the wrong order",
         lengthLe,
         data({{modbusLe, kSd}, {modbusBe, kRd}}),
         {"SD,0,7,,,AA 03 61 62 63 " +
              hexText({reinterpret_cast<const uint8_t*>(modbusLe.data()) + 5, 2}) + ",ok,",
          "RD,7,7,0,0,AA 03 61 62 63 " +
              hexText({reinterpret_cast<const uint8_t*>(modbusBe.data()) + 5, 2}) + ",bad,"}},
        {"a length field and a CRC big-endian, then a CRC in the wrong order",
         lengthBe,
         data({{ccittBe, kSd}, {ccittLe, kSd}}),
         {"SD,0,7,,,AA 03 61 62 63 " +
              hexText({reinterpret_cast<const uint8_t*>(ccittBe.data()) + 5, 2}) + ",ok,",
          "SD,7,7,0,,AA 03 61 62 63 " +
              hexText({reinterpret_cast<const uint8_t*>(ccittLe.data()) + 5, 2}) + ",bad,"}},
        {"a length field that lies takes the next frame's bytes; framing starts again after",
         lengthLe,
         data({{"\xAA\x05"
                "abc",
                kSd},
               {modbusLe, kSd},
               {modbusLe, kSd}}),
         {"SD,0,9,,,AA 05 61 62 63 AA 03 61 62,bad,",
          "SD,9,3,0,,63 " + hexText({reinterpret_cast<const uint8_t*>(modbusLe.data()) + 5, 2}) +
              ",none,noise",
          "SD,12,7,0,,AA 03 61 62 63 " +
              hexText({reinterpret_cast<const uint8_t*>(modbusLe.data()) + 5, 2}) + ",ok,"}},
        {"Modbus ASCII with a good and a bad LRC",
         "modbus-ascii",
         data({{":010300000001FB\r\n", kSd}, {":010300000001FC\r\n", kRd}}),
         {"SD,0,17,,,3A 30 31 30 33 30 30 30 30 30 30 30 31 46 42 0D 0A,ok,",
          "RD,17,17,0,0,3A 30 31 30 33 30 30 30 30 30 30 30 31 46 43 0D 0A,bad,"}},
        {"lines end at CR LF, LF or CR; the last one is cut by the end of the capture",
         "lines",
         data({{"ab\r\ncd\nef\rgh", kRd}}),
         {"RD,0,4,,,61 62 0D 0A,none,", "RD,4,3,0,,63 64 0A,none,", "RD,7,3,0,,65 66 0D,none,",
          "RD,10,2,0,,67 68,none,truncated"}},
        {"a frame cut by the end of the capture",
         kStx,
         data({{"\x02"
                "AB",
                kSd}}),
         {"SD,0,3,,,02 41 42,none,truncated"}},
        {"a gap inside a frame without Timeout does not end it",
         kStx,
         data({{"\x02"
                "A",
                kSd}})
             .Idle(5)
             .Data("B\x03\x02", kSd),
         {"SD,0,5,,,02 41 42 03 02,ok,"}},
        {"a gap of Timeout ends the frame; the rest is noise up to the next start",
         timeout,
         data({{"\x02"
                "A",
                kSd}})
             .Idle(5)
             .Data("B\x03", kSd)
             .Data(good, kSd),
         {"SD,0,2,,,02 41,none,timeout", "SD,52,2,50,,42 03,none,noise",
          "SD,54,5,0,,02 41 42 03 02,ok,"}},
        {"both directions framed on their own, across a change of direction",
         kStx,
         data({{"\x02"
                "A",
                kSd},
               {good, kRd},
               {"B\x03\x02", kSd}}),
         {"RD,2,5,,,02 41 42 03 02,ok,", "SD,0,5,0,0,02 41 42 03 02,ok,"}},
        {"a frame longer than Max ends there",
         "[m]\nStart=02\nEnd=03\nMax=4\n",
         data({{"\x02"
                "ABCD\x02"
                "E\x03",
                kSd}}),
         {"SD,0,4,,,02 41 42 43,none,too-long", "SD,4,1,0,,44,none,noise",
          "SD,5,3,0,,02 45 03,none,"}},
        {"fixed frames with a sum from the second byte",
         "[f]\nFixed=4\nCheck=sum8\nCheckFrom=1\n",
         data({{"\x10\x01\x02\x03\x10\x01\x02\x04", kSd}}),
         {"SD,0,4,,,10 01 02 03,ok,", "SD,4,4,0,,10 01 02 04,bad,"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const FrameOptions o = OptionsFor(k.definition);
        for (const size_t size : {size_t{1}, size_t{3}, size_t{7}, k.records.bytes.size()}) {
            EXPECT_EQ(Rows(o, k.records.bytes, size), k.rows) << "pieces of " << size;
        }
    }
}

TEST(Protocol, BytesWithErrorsCountInTheFramesThatHoldThemWholeAndInPieces) {
    SampleCapture c;
    c.Pair('z', kSd, true).Data("\x02", kSd).Pair('A', kSd, false, true).Pair('B', kSd, true);
    c.Data("\x03\x07", kSd)
        .Pair('C', kRd, true)
        .Data(
            "\x02"
            "AB\x03\x02",
            kSd);
    const std::vector<std::string> rows = {
        "SD,0,1,,,7A,none,noise,1", "SD,1,5,0,,02 41 42 03 07,bad,,2",
        "SD,7,5,1,,02 41 42 03 02,ok,,0", "RD,6,1,0,,43,none,noise,1"};
    for (const size_t size : {size_t{1}, size_t{3}, c.bytes.size()}) {
        EXPECT_EQ(Rows(OptionsFor(kStx), c.bytes, size, true), rows) << "pieces of " << size;
    }
}

TEST(Protocol, SummaryCountsBadChecksPerDirection) {
    SampleCapture c;
    c.Data(
         "\x02"
         "AB\x03\x07",
         kSd)
        .Data(
            "\x02"
            "AB\x03\x02",
            kRd)
        .Data(
            "\x02"
            "AB\x03",
            kRd);
    c.Pair(0x00, kRd);
    c.Pair('x', kRd, true);
    FrameList list;
    analyseFrames(c.bytes.data(), c.bytes.size(), LineTiming{10000, 1, 0, 0, 100}, OptionsFor(kStx),
                  list);
    EXPECT_EQ(list.protocol, "stx");
    ASSERT_EQ(list.frames.size(), 4U);
    EXPECT_EQ(list.frames[0].errors + list.frames[1].errors + list.frames[2].errors, 0);
    EXPECT_EQ(list.frames[3].errors, 1);  // the byte with a parity error, noise
    const FrameSummary s = summarise(list);
    EXPECT_EQ(s.sd.badChecks, 1);
    EXPECT_EQ(s.rd.badChecks, 1);
    EXPECT_EQ(s.rd.frames, 2);
    EXPECT_EQ(s.crcBad, 2);
    EXPECT_EQ(s.noise, 1);
}
