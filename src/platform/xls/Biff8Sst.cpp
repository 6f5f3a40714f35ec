#include "platform/xls/Biff8Sst.h"

#include <algorithm>

#include "platform/text/Utf8.h"
#include "platform/xls/TempFile.h"
#include "platform/xls/Unicode.h"
#include "platform/xls/XlsError.h"

namespace mvq::xls::biff8 {
namespace {

constexpr size_t kArenaBlock = 1 << 20;
constexpr size_t kEntryOverhead = 64;  // hash node, bucket and arena slack per string
constexpr size_t kMaxBuckets = 128;    // EXTSST holds at most 128 buckets

void Put16(Bytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

}  // namespace

SstWriter::SstWriter(TempFile& out, size_t budget) : out_(out), base_(out.Size()), budget_(budget) {
  record_.reserve(kMaxRecordData);
  record_.resize(8, 0);  // total and unique counts, written by Finish
}

const char* SstWriter::Keep(std::string_view s) {
  if (arena_.empty() || arena_.back().capacity() - arena_.back().size() < s.size()) {
    arena_.emplace_back();
    arena_.back().reserve(std::max(kArenaBlock, s.size()));
  }
  std::string& block = arena_.back();
  const size_t at = block.size();
  block.append(s);  // within capacity: earlier views stay valid
  return block.data() + at;
}

uint32_t SstWriter::Add(std::string_view utf8) {
  ++total_;
  if (auto it = index_.find(utf8); it != index_.end()) return it->second;
  const uint32_t index = unique_++;
  if (used_ + utf8.size() + kEntryOverhead <= budget_) {
    index_.emplace(std::string_view(Keep(utf8), utf8.size()), index);
    used_ += utf8.size() + kEntryOverhead;
  }

  text::Utf8ToUtf16(utf8, utf16_);
  const bool compressed =
      std::all_of(utf16_.begin(), utf16_.end(), [](char16_t c) { return c <= 0xFF; });
  const size_t charSize = compressed ? 1 : 2;
  const size_t n = utf16_.size();
  // The header and the first character stay together.
  if (kMaxRecordData - record_.size() < 3 + (n ? charSize : 0)) FlushRecord();
  if (index % 8 == 0)
    every8_.emplace_back(static_cast<uint32_t>(written_ + 4 + record_.size()),
                         static_cast<uint16_t>(4 + record_.size()));
  Put16(record_, static_cast<uint16_t>(n));
  record_.push_back(compressed ? 0 : 1);
  for (size_t i = 0;;) {
    const size_t take = std::min((kMaxRecordData - record_.size()) / charSize, n - i);
    for (size_t k = i; k < i + take; ++k) {
      if (compressed)
        record_.push_back(static_cast<uint8_t>(utf16_[k]));
      else
        Put16(record_, utf16_[k]);
    }
    i += take;
    if (i == n) break;
    FlushRecord();
    record_.push_back(compressed ? 0 : 1);  // the continued part repeats the flag byte
  }
  return index;
}

void SstWriter::FlushRecord() {
  Bytes header;
  Put16(header, first_ ? kSst : kContinue);
  Put16(header, static_cast<uint16_t>(record_.size()));
  out_.Append(header.data(), header.size());
  out_.Append(record_.data(), record_.size());
  written_ += header.size() + record_.size();
  first_ = false;
  record_.clear();
}

void SstWriter::Finish() {
  if (!record_.empty() || first_) FlushRecord();
  uint8_t counts[8];
  for (int i = 0; i < 4; ++i) {
    counts[i] = static_cast<uint8_t>(total_ >> (8 * i));
    counts[4 + i] = static_cast<uint8_t>(unique_ >> (8 * i));
  }
  out_.WriteAt(base_ + 4, counts, sizeof counts);
}

void SstWriter::WriteExtSst(Bytes& out, uint32_t sstPosition) const {
  // Strings per bucket: a multiple of 8 (so every bucket start is a remembered string),
  // at least 8, and large enough for at most 128 buckets.
  const size_t perBucket =
      std::max<size_t>(8, (unique_ + kMaxBuckets * 8 - 1) / (kMaxBuckets * 8) * 8);
  std::vector<std::pair<uint32_t, uint16_t>> buckets;
  for (size_t s = 0; s < unique_; s += perBucket) {
    const auto& [relative, offset] = every8_[s / 8];
    const uint64_t position = uint64_t{sstPosition} + relative;
    if (position > UINT32_MAX)
      throw XlsError(XlsErrorCode::kWorkbookTooLarge, "The .xls workbook stream passes 4 GiB");
    buckets.emplace_back(static_cast<uint32_t>(position), offset);
  }
  ExtSst(out, static_cast<uint16_t>(perBucket), buckets);
}

}  // namespace mvq::xls::biff8
