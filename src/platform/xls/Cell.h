#pragma once
// One worksheet cell as the writers store it: text, number, date/time as an Excel serial
// number with a date format, boolean, or empty.
#include <cstdint>
#include <string>
#include <string_view>

namespace mvq::xls {

enum class CellKind : uint8_t { kEmpty, kText, kNumber, kDate, kDateTime, kTime, kBool };

struct Cell {
  CellKind kind = CellKind::kEmpty;
  double number = 0;  // the number, the serial of a date/time kind, 1 or 0 for a boolean
  std::string text;

  static Cell Text(std::string text);
  // NaN and infinities have no cell form in Excel: they become the texts "NaN",
  // "Infinity" and "-Infinity" rather than a corrupt number.
  static Cell Number(double value);
  static Cell Bool(bool value);
  // Dates Excel cannot show as dates (before 1900-01-01 or after 9999-12-31) become text
  // in the form YYYY-MM-DD [hh:mm:ss[.fraction]].
  static Cell Date(int year, int month, int day);
  static Cell DateTime(int year, int month, int day, int hour, int minute, int second,
                       uint32_t nanos = 0);
  static Cell Time(int hour, int minute, int second, uint32_t nanos = 0);
};

// A cell read back from a sheet's rows; text points into the reader's buffer.
struct CellView {
  CellKind kind = CellKind::kEmpty;
  double number = 0;
  std::string_view text;
};

// The number formats date and time cells are shown with.
inline constexpr std::string_view kDateFormat = "yyyy-mm-dd";
inline constexpr std::string_view kDateTimeFormat = "yyyy-mm-dd hh:mm:ss";
inline constexpr std::string_view kTimeFormat = "hh:mm:ss";

// Excel's serial day number (1900 date system, with its phantom 1900-02-29) of a date, or
// -1 when the date is outside 1900-01-01 .. 9999-12-31 or not a calendar date.
double DateSerial(int year, int month, int day);

}  // namespace mvq::xls
