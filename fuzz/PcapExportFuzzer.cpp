// The pcap export of any record bytes under any line settings and dates.
// Beyond not crashing, the file must be one a pcap reader takes whole (global header, packets
// that fill the file exactly, both headers of a packet in agreement, each event with its
// payload), every data byte of the capture must be in exactly one packet, and every line
// state must be a packet.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "files/PcapExport.h"
#include "robust/CaptureChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider fdp(data, size);
    LineTiming line;
    line.speed = fdp.ConsumeIntegral<int32_t>();
    line.dataLen = fdp.ConsumeIntegral<int16_t>();
    line.stopBit = fdp.ConsumeIntegral<int16_t>();
    line.parity = fdp.ConsumeIntegral<int16_t>();
    line.idleMode = fdp.ConsumeIntegral<int16_t>();
    PcapTimes times;
    // Any date from 1970 to the end of 9999, as a capture's date can be given.
    times.dayStart = fdp.ConsumeIntegralInRange<int64_t>(0, 2'932'896) * 86'400;
    times.endMicros = fdp.ConsumeIntegralInRange<int64_t>(0, 253'402'300'799) * 1'000'000 +
                      fdp.ConsumeIntegralInRange<int64_t>(0, 999'999);
    const std::vector<uint8_t> bytes = fdp.ConsumeRemainingBytes<uint8_t>();
    const auto len = static_cast<int32_t>(bytes.size());

    const PcapSummary pcap = ReadPcap(pcapFromCapture(bytes.data(), len, line, times));
    FUZZ_CHECK(pcap.fault.empty());
    const RecordCounts records = countRecords(bytes.data(), len);
    FUZZ_CHECK(pcap.dataBytes == records.pairs);
    FUZZ_CHECK(pcap.statusPackets == records.lineStates);
    return 0;
}
