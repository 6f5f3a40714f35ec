#include "platform/jet/HeaderPage.h"

#include <cmath>

namespace mvq::jet {

namespace {
constexpr uint32_t kHeaderKey = 0x6b39dac7;
constexpr size_t kMaskedAt = 0x18, kMaskedSize = 128;
constexpr char kSignature[] = "Standard Jet DB";
}  // namespace

void Rc4Apply(uint32_t key, uint8_t* data, size_t size) {
  uint8_t k[4];
  Put32(k, key);
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = uint8_t(i);
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + k[i % 4]) & 0xff;
    std::swap(s[i], s[j]);
  }
  for (size_t n = 0, i = 0, j = 0; n < size; ++n) {
    i = (i + 1) & 0xff;
    j = (j + s[i]) & 0xff;
    std::swap(s[i], s[j]);
    data[n] ^= s[(s[i] + s[j]) & 0xff];
  }
}

Page BuildHeaderPage(double created) {
  Page p(kPageSize, 0);
  p[1] = 1;
  std::memcpy(&p[4], kSignature, sizeof kSignature);  // with its terminating zero
  Put32(&p[0x14], 1);                                 // Jet 4
  // The masked area, in clear: format markers Jet writes, then the fields readers use.
  Put32(&p[0x18], 0x100);
  Put32(&p[0x1C], 0x101);
  for (uint32_t i = 2; i <= 5; ++i) Put32(&p[0x18 + 4 * i], i);
  Put16(&p[0x3C], kCodePage);
  Put32(&p[0x3E], 0);  // no encryption key
  // An empty password is stored as the mask itself: the creation day as a 32-bit integer.
  uint32_t mask = uint32_t(int32_t(std::floor(created)));
  for (size_t i = 0; i < 40; i += 4) {
    Put32(&p[0x42 + i], mask);
  }
  Put16(&p[0x6E], kGeneralSortOrder);
  std::memcpy(&p[0x72], &created, 8);
  Rc4Apply(kHeaderKey, &p[kMaskedAt], kMaskedSize);
  return p;
}

}  // namespace mvq::jet
