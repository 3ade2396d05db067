#pragma once
#include <QString>

#include <cstdint>
#include <span>

#include "analysis/FrameAnalysis.h"

class MDIMonitor;
class QComboBox;

// The protocols a window offers: the built-in ones, then VXProto.ini's definitions. The choice
// shown is kept when its name is still offered, otherwise the first (idle) is chosen; no
// signal of the box is sent.
void fillProtocolChoice(QComboBox& box, const proto::ProtocolFile& file);

// VXProto.ini of the program folder, read afresh so that a definition changed meanwhile
// counts; a file that is malformed is said in a message and offers no definition.
[[nodiscard]] proto::ProtocolFile readProtocolFile(MDIMonitor& window);

// The kind of a Modbus frame as the lists show it.
[[nodiscard]] QString modbusKindText(modbus::Kind kind);

// The texts of a frame's cells in the frame lists: its time, its size with the bytes that came
// with an error ("8 (誤り 1)"), and the hex of the bytes shown, marked "…" when the frame has
// more.
[[nodiscard]] QString frameTimeText(const Frame& f);
[[nodiscard]] QString frameSizeText(const Frame& f);
[[nodiscard]] QString frameDataText(const Frame& f, std::span<const uint8_t> shown);
