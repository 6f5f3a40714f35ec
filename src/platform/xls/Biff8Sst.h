#pragma once
// The shared string table of a .xls: SST and its CONTINUE records, written to a temporary
// file as strings arrive, and the EXTSST index over it.
//
// Split rules: record data holds at most 8,224 bytes; a string's header (count and flag
// byte) never leaves its first character behind; a string continued in a CONTINUE record
// starts that record with its flag byte again; a 16-bit character is never split.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/xls/Biff8Records.h"

namespace mvq::xls {
class TempFile;
}

namespace mvq::xls::biff8 {

class SstWriter {
 public:
  // Records go to the end of `out`. Remembering strings to share them costs about
  // their length plus 64 bytes each; past `budget` new strings are no longer remembered.
  SstWriter(TempFile& out, size_t budget);

  // The index a LABELSST record refers to for this string.
  uint32_t Add(std::string_view utf8);
  // Writes the last record and the counts; call once, after the last Add.
  void Finish();

  uint64_t Size() const { return written_; }  // bytes of the SST and CONTINUE records
  uint32_t Total() const { return total_; }
  uint32_t Unique() const { return unique_; }
  // EXTSST for the table when its SST record starts at sstPosition in the stream.
  void WriteExtSst(Bytes& out, uint32_t sstPosition) const;

 private:
  void FlushRecord();
  const char* Keep(std::string_view s);

  TempFile& out_;
  uint64_t base_;         // where the SST record starts in out_
  uint64_t written_ = 0;  // bytes of finished records
  bool first_ = true;
  Bytes record_;  // data of the record being filled
  uint32_t total_ = 0, unique_ = 0;
  size_t budget_, used_ = 0;
  std::unordered_map<std::string_view, uint32_t> index_;
  std::deque<std::string> arena_;
  std::u16string utf16_;
  // (position from the SST's start, offset in its record) of every 8th string
  std::vector<std::pair<uint32_t, uint16_t>> every8_;
};

}  // namespace mvq::xls::biff8
