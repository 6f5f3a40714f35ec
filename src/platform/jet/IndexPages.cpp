#include "platform/jet/IndexPages.h"

#include "platform/jet/PageFile.h"

namespace mvq::jet {

namespace {
constexpr uint32_t kMaskAt = 27, kEntriesAt = 0x1e0;
constexpr uint32_t kCapacity = kPageSize - kEntriesAt;

Page IndexPage(PageKind kind, uint32_t tdefPage, uint32_t prev, uint32_t next,
               const std::vector<Bytes>& entries) {
  Page p(kPageSize, 0);
  p[0] = uint8_t(kind);
  p[1] = 1;
  Put32(&p[4], tdefPage);
  Put32(&p[12], prev);
  Put32(&p[16], next);
  uint32_t at = 0;
  for (const Bytes& e : entries) {
    std::memcpy(&p[kEntriesAt + at], e.data(), e.size());
    at += uint32_t(e.size());
    p[kMaskAt + at / 8] |= uint8_t(1u << (at % 8));
  }
  Put16(&p[2], uint16_t(kCapacity - at));
  return p;
}

// Splits entries into runs that fit one page each (at least one run, maybe empty).
std::vector<std::pair<size_t, size_t>> Runs(const std::vector<Bytes>& entries) {
  std::vector<std::pair<size_t, size_t>> runs;
  size_t begin = 0, used = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (used + entries[i].size() > kCapacity) {
      runs.emplace_back(begin, i);
      begin = i;
      used = 0;
    }
    used += entries[i].size();
  }
  runs.emplace_back(begin, entries.size());
  return runs;
}

// Writes one level; returns its pages and, per page, the entry a parent stores for it.
std::vector<std::pair<uint32_t, Bytes>> WriteLevel(PageFile& file, PageKind kind, uint32_t tdefPage,
                                                   const std::vector<Bytes>& entries,
                                                   std::vector<uint32_t>& all) {
  auto runs = Runs(entries);
  std::vector<uint32_t> numbers;
  for (size_t i = 0; i < runs.size(); ++i) numbers.push_back(file.Allocate());
  std::vector<std::pair<uint32_t, Bytes>> up;
  for (size_t i = 0; i < runs.size(); ++i) {
    std::vector<Bytes> part(entries.begin() + long(runs[i].first),
                            entries.begin() + long(runs[i].second));
    uint32_t prev = i ? numbers[i - 1] : 0, next = i + 1 < runs.size() ? numbers[i + 1] : 0;
    file.Write(numbers[i], IndexPage(kind, tdefPage, prev, next, part));
    all.push_back(numbers[i]);
    Bytes last = part.empty() ? Bytes{} : part.back();
    if (kind == PageKind::IndexNode && !last.empty()) last.resize(last.size() - 4);
    for (int s = 24; s >= 0; s -= 8) last.push_back(uint8_t(numbers[i] >> s));
    up.emplace_back(numbers[i], std::move(last));
  }
  return up;
}
}  // namespace

BuiltIndex WriteIndexPages(PageFile& file, uint32_t tdefPage,
                           const std::vector<IndexEntry>& entries) {
  BuiltIndex built;
  std::vector<Bytes> level;
  level.reserve(entries.size());
  for (const IndexEntry& e : entries) level.push_back(e.Full());
  PageKind kind = PageKind::IndexLeaf;
  for (;;) {
    auto up = WriteLevel(file, kind, tdefPage, level, built.pages);
    if (up.size() == 1) {
      built.root = up.front().first;
      return built;
    }
    level.clear();
    for (auto& [page, entry] : up) level.push_back(std::move(entry));
    kind = PageKind::IndexNode;
  }
}

std::vector<Bytes> IndexPageEntries(const Page& p) {
  std::vector<Bytes> out;
  uint32_t start = 0;
  for (uint32_t bit = 1; bit <= kCapacity; ++bit) {
    if (p[kMaskAt + bit / 8] & (1u << (bit % 8))) {
      out.emplace_back(p.begin() + kEntriesAt + start, p.begin() + kEntriesAt + bit);
      start = bit;
    }
  }
  return out;
}

}  // namespace mvq::jet
