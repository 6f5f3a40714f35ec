#pragma once
// Page 0: the file's signature, Jet version, and the area Jet masks with RC4 (code page,
// sort order, creation date, the password field masked by that date).
#include "platform/jet/JetFormat.h"

namespace mvq::jet {

// created: the creation time as Jet stores dates (days since 1899-12-30).
Page BuildHeaderPage(double created);

// RC4 keystream XOR, the same call masking and unmasking.
void Rc4Apply(uint32_t key, uint8_t* data, size_t size);

}  // namespace mvq::jet
