// Frame analysis of a 4 MB capture against CopyDat of the same capture in the same run, the
// conversion every opened capture goes through: the analysis should take at most three times
// as long, under every protocol. Two captures: a polled protocol (Modbus RTU requests and
// replies with idle records and time stamps between them, as a line carries it), framed by each
// protocol in turn, and the shared stream (CaptureBench's
// BM_CopyDat4MB is its baseline), whose direction changes at random after nearly every byte:
// a frame per one or two bytes, the worst case for the frame list.
#include <benchmark/benchmark.h>

#include "BenchStreams.h"
#include "analysis/FrameAnalysis.h"
#include "analysis/Modbus.h"
#include "analysis/Protocol.h"

namespace {

const std::vector<uint8_t>& PolledCapture() {
    static const std::vector<uint8_t> stored = [] {
        std::vector<uint8_t> out;
        out.reserve(bench::kStreamSize + 64);
        const auto frame = [&out](std::vector<uint8_t> bytes, bool sd) {
            const uint16_t crc = modbus::crc16(bytes.data(), bytes.size());
            bytes.push_back(static_cast<uint8_t>(crc & 0xFF));
            bytes.push_back(static_cast<uint8_t>(crc >> 8));
            for (const uint8_t v : bytes) {
                out.push_back(static_cast<uint8_t>(0x80 | (sd ? 0x20 : 0) | v >> 4));
                out.push_back(static_cast<uint8_t>(0xC0 | (v & 0x0F)));
            }
            out.insert(out.end(), {0x20, 0, 0, 2});  // 20 ms idle
        };
        for (uint8_t poll = 0; out.size() < bench::kStreamSize; ++poll) {
            if (poll % 50 == 0) {
                out.insert(out.end(), {0x30, 12, static_cast<uint8_t>(poll % 60), 0});
            }
            const uint8_t count = static_cast<uint8_t>(1 + poll % 16);
            frame({1, 3, 0, poll, 0, count}, true);
            std::vector<uint8_t> reply{1, 3, static_cast<uint8_t>(2 * count)};
            reply.resize(3 + 2 * count, poll);
            frame(reply, false);
        }
        out.resize(bench::kStreamSize);
        return out;
    }();
    return stored;
}

FrameOptions modbusRtu() {
    FrameOptions options;
    options.modbus = true;
    return options;
}

// A built-in protocol framed by a definition (modbus-ascii, lines), or the first section of a
// VXProto.ini text.
FrameOptions byProtocol(const char* name, const char* definitions = nullptr) {
    FrameOptions options;
    options.protocol = definitions == nullptr ? proto::builtinProtocol(name).value()
                                              : proto::parseProtocols(definitions).protocols.at(0);
    return options;
}

void analyse(benchmark::State& state, const std::vector<uint8_t>& src,
             const FrameOptions& options = {}) {
    const LineTiming line{19200, 1, 0, 2, 100};
    FrameList list;  // kept between runs, as the window keeps it
    for (auto _ : state) {
        analyseFrames(src.data(), src.size(), line, options, list);
        benchmark::DoNotOptimize(list.frames.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * src.size()));
}

void BM_PolledCopyDat4MB(benchmark::State& state) {
    bench::CopyDatOf(state, PolledCapture());
}
BENCHMARK(BM_PolledCopyDat4MB)->Unit(benchmark::kMillisecond);

void BM_PolledFrameAnalysis4MB(benchmark::State& state) {
    analyse(state, PolledCapture());
}
BENCHMARK(BM_PolledFrameAnalysis4MB)->Unit(benchmark::kMillisecond);

void BM_PolledFrameAnalysisModbus4MB(benchmark::State& state) {
    analyse(state, PolledCapture(), modbusRtu());
}
BENCHMARK(BM_PolledFrameAnalysisModbus4MB)->Unit(benchmark::kMillisecond);

// Each direction framed on its own: the binary polls hold a ':' now and then (noise up to it,
// then a frame up to CR LF or the 513 bytes of Max) ...
void BM_PolledFrameAnalysisModbusAscii4MB(benchmark::State& state) {
    analyse(state, PolledCapture(), byProtocol("modbus-ascii"));
}
BENCHMARK(BM_PolledFrameAnalysisModbusAscii4MB)->Unit(benchmark::kMillisecond);

// ... and a CR or LF (a line ends there).
void BM_PolledFrameAnalysisLines4MB(benchmark::State& state) {
    analyse(state, PolledCapture(), byProtocol("lines"));
}
BENCHMARK(BM_PolledFrameAnalysisLines4MB)->Unit(benchmark::kMillisecond);

// A start byte, a length field and a CRC-16 after the data, as the replies are built.
void BM_PolledFrameAnalysisDefined4MB(benchmark::State& state) {
    analyse(state, PolledCapture(),
            byProtocol("poll", "[poll]\nStart=01\nLength=2,1,BE,5\nCheck=crc16-modbus\nMax=300\n"));
}
BENCHMARK(BM_PolledFrameAnalysisDefined4MB)->Unit(benchmark::kMillisecond);

void BM_FrameAnalysis4MB(benchmark::State& state) {
    analyse(state, bench::StoredCapture());
}
BENCHMARK(BM_FrameAnalysis4MB)->Unit(benchmark::kMillisecond);

}  // namespace
