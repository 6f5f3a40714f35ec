#include "platform/jet/LongValue.h"

#include <set>

#include "platform/jet/DataPage.h"

namespace mvq::jet {

Bytes LongValueHeader(size_t length, uint8_t flag, uint32_t pointer) {
  Bytes h(12, 0);
  Put32(h.data(), uint32_t(length) | (uint32_t(flag) << 24));
  Put32(&h[4], pointer);
  return h;
}

Bytes ReadLongValue(const Bytes& ref, const std::function<Page(uint32_t)>& read) {
  if (ref.size() < 12) throw JetError("long value reference cut short");
  const uint32_t length = Get32(ref.data()) & kMaxLongValue;
  const uint8_t flag = ref[3];
  uint32_t pointer = Get32(&ref[4]);
  auto record = [&](uint32_t at) {
    Page p = read(at >> 8);
    if (p.size() != kPageSize || p[0] != uint8_t(PageKind::Data) ||
        Get32(&p[4]) != DataPage::kLvalOwner)
      throw JetError("long value record on page " + std::to_string(at >> 8) + " missing");
    DataPage page = DataPage::FromBytes(p);
    if ((at & 0xff) >= page.RowCount()) throw JetError("long value record missing");
    return page.Row(uint8_t(at & 0xff));
  };
  Bytes out;
  if (flag == kInlineLongValue) {
    out.assign(ref.begin() + 12, ref.end());
  } else if (flag == kSingleLongValue) {
    out = record(pointer);
  } else {
    std::set<uint32_t> seen;  // a corrupt chain could loop
    while (pointer && out.size() < length && seen.insert(pointer).second) {
      Bytes rec = record(pointer);
      if (rec.size() < 4) throw JetError("long value record cut short");
      pointer = Get32(rec.data());
      out.insert(out.end(), rec.begin() + 4, rec.end());
    }
  }
  if (out.size() < length)
    throw JetError("long value of " + std::to_string(length) + " bytes holds only " +
                   std::to_string(out.size()));
  out.resize(length);
  return out;
}

}  // namespace mvq::jet
