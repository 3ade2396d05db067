#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What must hold for any capture, however damaged, shared by the robustness tests and the
// fuzz targets. Each check returns an empty text when it holds, else what is wrong.

// The display words of the whole records of bytes, found by the record walk that the exports
// use; CopyDat must give exactly these.
[[nodiscard]] std::vector<int16_t> WordsOfRecords(const uint8_t* bytes, int32_t len);

// Valid UTF-8 with every line ended by CR LF.
[[nodiscard]] std::string TextFault(std::string_view text);
// The fixed layout: "RD:" and "SD:" lines in pairs, an empty line after each full pair.
[[nodiscard]] std::string FixedLayoutFault(std::string_view text);
// The switch layout: no line longer than limit characters (0: no limit).
[[nodiscard]] std::string SwitchLayoutFault(std::string_view text, int32_t limit);

// A pcap file as the export writes it, read back.
struct PcapSummary {
    std::string fault;
    size_t packets = 0;
    size_t dataBytes = 0;      // payload bytes of the data and error packets
    size_t statusPackets = 0;  // line-state packets
};
// Checks the global header, that the packets fill the file exactly, that both headers of a
// packet agree and that each event has the payload it must have.
[[nodiscard]] PcapSummary ReadPcap(const std::string& pcap);

// Data pairs and line-state records among the whole records of bytes.
struct RecordCounts {
    size_t pairs = 0;
    size_t lineStates = 0;
};
[[nodiscard]] RecordCounts countRecords(const uint8_t* bytes, int32_t len);
