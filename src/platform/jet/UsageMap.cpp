#include "platform/jet/UsageMap.h"

#include "platform/jet/PageFile.h"

namespace mvq::jet {

namespace {
bool Covers(const std::set<uint32_t>& pages, uint32_t start, uint32_t count) {
  return pages.empty() || (*pages.begin() >= start && *pages.rbegin() < start + count);
}
void SetBit(uint8_t* bits, uint32_t i) {
  bits[i / 8] |= uint8_t(1u << (i % 8));
}
}  // namespace

Bytes UsageMap::Encode(PageFile& file, bool inPlace) {
  Bytes row(kRowSize, 0);
  uint32_t end = setFrom == UINT32_MAX ? 0 : setFrom;
  uint32_t start = pages.empty() ? 0 : (*pages.begin() / 8) * 8;
  if (setFrom != UINT32_MAX) start = 0;
  uint32_t last = pages.empty() ? 0 : *pages.rbegin();
  if (!inPlace) Release(file);
  if (bitmapPages_.empty() && Covers(pages, start, kInlinePages) &&
      (setFrom == UINT32_MAX || setFrom <= kInlinePages)) {
    row[0] = 0;
    Put32(&row[1], start);
    for (uint32_t p : pages) SetBit(&row[5], p - start);
    if (setFrom != UINT32_MAX)
      for (uint32_t p = end; p < kInlinePages; ++p) SetBit(&row[5], p);
    return row;
  }
  row[0] = 1;
  uint32_t top = std::max(last, setFrom == UINT32_MAX ? 0 : setFrom);
  size_t needed = top / kPagesPerBitmap + 1;
  if (needed > (kRowSize - 1) / 4) throw JetError("usage map past the 2 GB a file can hold");
  while (bitmapPages_.size() < needed) bitmapPages_.push_back(file.Allocate());
  for (size_t i = 0; i < bitmapPages_.size(); ++i) {
    if (bitmapPages_[i] == 0) bitmapPages_[i] = file.Allocate();  // a hole Access left
    Page bm(kPageSize, 0);
    bm[0] = uint8_t(PageKind::UsageMap);
    bm[1] = 1;
    uint32_t base = uint32_t(i) * kPagesPerBitmap;
    for (auto it = pages.lower_bound(base); it != pages.end() && *it < base + kPagesPerBitmap; ++it)
      SetBit(&bm[4], *it - base);
    if (setFrom != UINT32_MAX)
      for (uint32_t p = std::max(base, setFrom); p < base + kPagesPerBitmap; ++p)
        SetBit(&bm[4], p - base);
    file.Write(bitmapPages_[i], bm);
    Put32(&row[1 + 4 * i], bitmapPages_[i]);
  }
  return row;
}

void UsageMap::Release(PageFile& file) {
  for (uint32_t p : bitmapPages_)
    if (p) file.Free(p);
  bitmapPages_.clear();
}

UsageMap UsageMap::Read(const Bytes& row, const std::function<Page(uint32_t)>& read) {
  UsageMap m;
  m.pages = Decode(row, read);
  if (row.size() == kRowSize && row[0] == 1) {
    for (size_t i = 0; i < (kRowSize - 1) / 4; ++i)
      m.bitmapPages_.push_back(Get32(&row[1 + 4 * i]));
    while (!m.bitmapPages_.empty() && m.bitmapPages_.back() == 0) m.bitmapPages_.pop_back();
  }
  return m;
}

std::set<uint32_t> UsageMap::Decode(const Bytes& row, const std::function<Page(uint32_t)>& read) {
  std::set<uint32_t> out;
  auto scan = [&](const uint8_t* bits, size_t bytes, uint32_t base) {
    for (uint32_t i = 0; i < bytes * 8; ++i)
      if (bits[i / 8] & (1u << (i % 8))) out.insert(base + i);
  };
  if (row.empty()) return out;
  if (row[0] == 0) {
    scan(&row[5], row.size() - 5, Get32(&row[1]));
    return out;
  }
  for (size_t i = 0; 1 + 4 * i + 4 <= row.size(); ++i) {
    uint32_t p = Get32(&row[1 + 4 * i]);
    if (p == 0) continue;
    Page bm = read(p);
    scan(&bm[4], kPageSize - 4, uint32_t(i) * kPagesPerBitmap);
  }
  return out;
}

}  // namespace mvq::jet
