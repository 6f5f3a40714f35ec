#include "platform/bulk/PgCopyText.h"

#include <charconv>
#include <cstring>

namespace mvq::db {

namespace {

// Writes n as exactly width decimal digits.
void Digits(std::string& out, unsigned n, int width) {
  char b[10];
  for (int i = width - 1; i >= 0; --i) {
    b[i] = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  out.append(b, static_cast<size_t>(width));
}

// The era of a year before Christ goes at the end of the field: AppendEra.
void AppendDate(std::string& out, const Date& d) {
  Digits(out, static_cast<unsigned>(d.year < 0 ? -d.year : d.year), 4);
  out += '-';
  Digits(out, d.month, 2);
  out += '-';
  Digits(out, d.day, 2);
}

void AppendEra(std::string& out, const Date& d) {
  if (d.year < 0) out += " BC";
}

void AppendTime(std::string& out, const Time& t) {
  Digits(out, t.hour, 2);
  out += ':';
  Digits(out, t.minute, 2);
  out += ':';
  Digits(out, t.second, 2);
}

void AppendDateTime(std::string& out, const DateTime& dt) {
  AppendDate(out, dt.date);
  out += ' ';
  AppendTime(out, dt.time);
  if (dt.fraction != 0) {
    // All nine digits: the server rounds to its microseconds.
    out += '.';
    Digits(out, dt.fraction % 1000000000u, 9);
    while (out.back() == '0') out.pop_back();
  }
}

void AppendHex(std::string& out, std::string_view bytes) {
  static const char kHex[] = "0123456789abcdef";
  // "\x" with its backslash escaped for COPY.
  out += "\\\\x";
  size_t at = out.size();
  out.resize(at + 2 * bytes.size());
  char* p = out.data() + at;
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    *p++ = kHex[b >> 4];
    *p++ = kHex[b & 15];
  }
}

}  // namespace

void AppendCopyEscaped(std::string& line, std::string_view s) {
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    const char* escape = nullptr;
    switch (c) {
      case '\\':
        escape = "\\\\";
        break;
      case '\t':
        escape = "\\t";
        break;
      case '\n':
        escape = "\\n";
        break;
      case '\r':
        escape = "\\r";
        break;
      default:
        continue;
    }
    line.append(s.data() + start, i - start);
    line += escape;
    start = i + 1;
  }
  line.append(s.data() + start, s.size() - start);
}

void AppendCopyField(std::string& line, const Variant& v, CopyTarget target) {
  using Kind = Variant::Kind;
  switch (v.kind()) {
    case Kind::Null:
      line += "\\N";
      return;
    case Kind::Bool:
      if (target == CopyTarget::Boolean)
        line += v.AsBool() ? 't' : 'f';
      else
        line += v.AsBool() ? '1' : '0';
      return;
    case Kind::Int: {
      char b[24];
      auto r = std::to_chars(b, b + sizeof b, v.AsInt());
      line.append(b, r.ptr);
      return;
    }
    case Kind::Double: {
      // The shortest text that reads back as the same double.
      char b[32];
      auto r = std::to_chars(b, b + sizeof b, v.AsDouble());
      line.append(b, r.ptr);
      return;
    }
    case Kind::Decimal:
      AppendCopyEscaped(line, v.Dec().text);
      return;
    case Kind::String:
      // Text into a binary column keeps its bytes; bytea's own text form would read
      // backslashes as escapes.
      if (target == CopyTarget::Bytea)
        AppendHex(line, v.Str());
      else
        AppendCopyEscaped(line, v.Str());
      return;
    case Kind::Bytes: {
      std::string_view bytes(reinterpret_cast<const char*>(v.Blob().data()), v.Blob().size());
      if (target == CopyTarget::Bytea)
        AppendHex(line, bytes);
      else
        AppendCopyEscaped(line, bytes);
      return;
    }
    case Kind::Date:
      AppendDate(line, v.AsDate());
      AppendEra(line, v.AsDate());
      return;
    case Kind::Time:
      AppendTime(line, v.AsTime());
      return;
    case Kind::DateTime:
      AppendDateTime(line, v.AsDateTime());
      AppendEra(line, v.AsDateTime().date);
      return;
  }
}

}  // namespace mvq::db
