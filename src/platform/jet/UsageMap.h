#pragma once
// A usage map: the set of pages one owner holds, stored as a 69-byte row. Small spans fit
// inline (a start page and 512 bits); wider ones become a reference map whose 17 pointers
// name bitmap pages (kind 5) of 32,736 pages each.
#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "platform/jet/JetFormat.h"

namespace mvq::jet {

class PageFile;

class UsageMap {
 public:
  static constexpr size_t kRowSize = 69;
  static constexpr uint32_t kInlinePages = 64 * 8;
  static constexpr uint32_t kPagesPerBitmap = (kPageSize - 4) * 8;

  std::set<uint32_t> pages;
  // Pages beyond the last one listed count as set: how the global map marks unused space.
  uint32_t setFrom = UINT32_MAX;

  // The row, writing the bitmap pages a reference map needs through file. A table's maps
  // write fresh bitmap pages (the old ones freed), so that until its definition names the
  // new row the old one still reads as before; inPlace rewrites them (the global map).
  Bytes Encode(PageFile& file, bool inPlace = false);
  // Bitmap pages this map owns.
  const std::vector<uint32_t>& BitmapPages() const { return bitmapPages_; }
  // Frees the bitmap pages.
  void Release(PageFile& file);
  // Reads a row back; read gives the bitmap pages of a reference map.
  static std::set<uint32_t> Decode(const Bytes& row, const std::function<Page(uint32_t)>& read);
  // A map as stored, with the bitmap pages it owns.
  static UsageMap Read(const Bytes& row, const std::function<Page(uint32_t)>& read);

 private:
  std::vector<uint32_t> bitmapPages_;  // index i covers pages [i * kPagesPerBitmap, ...)
};

}  // namespace mvq::jet
