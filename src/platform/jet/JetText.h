#pragma once
// Text as Jet 4 stores it: UTF-16LE, or its compressed form (0xFF 0xFE, then one byte per
// character while every character fits in one) for columns flagged for compression.
#include <string>

#include "platform/jet/JetFormat.h"

namespace mvq::jet {

Bytes Utf16Le(const std::u16string& s);
// The compressed form where it is shorter, otherwise plain UTF-16LE.
Bytes CompressedText(const std::u16string& s);
// Stored text (either form) back to UTF-16.
std::u16string StoredText(const Bytes& b);

}  // namespace mvq::jet
