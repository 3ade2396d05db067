#pragma once
#include <QByteArray>
#include <QString>
#include <optional>

// The bytes of a text typed into the simulator. Escapes give any byte: \r \n \t \\ and \xHH
// (two hexadecimal digits). ASCII characters are sent as they are; other characters in
// Shift_JIS (so half-width katakana are single bytes, as the monitor shows them). Nothing,
// and error set, for a bad escape or a character that Shift_JIS cannot hold.
std::optional<QByteArray> simulatorBytes(const QString& text, QString& error);
