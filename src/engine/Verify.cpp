#include "engine/Verify.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/StrFormat.h"
#include "gates/ado/utNCDataGates.h"
#include "gates/oracle/utconnection.h"
#include "platform/odbc/FieldTypes.h"

namespace mvq {
namespace {

using Kind = ColumnRule::Kind;

bool IsFloat(int t) {
  return t == db::adSingle || t == db::adDouble;
}
bool IsNumber(int t) {
  switch (t) {
    case db::adSmallInt:
    case db::adInteger:
    case db::adTinyInt:
    case db::adUnsignedTinyInt:
    case db::adUnsignedSmallInt:
    case db::adUnsignedInt:
    case db::adBigInt:
    case db::adUnsignedBigInt:
    case db::adDecimal:
    case db::adNumeric:
    case db::adVarNumeric:
    case db::adCurrency:
    case db::adBoolean:
      return true;
    default:
      return false;
  }
}
bool IsTimestamp(int t) {
  return t == db::adDBTimeStamp || t == db::adDate || t == db::adFileTime || t == db::adDBFileTime;
}
bool IsMoment(int t) {
  return IsTimestamp(t) || t == db::adDBDate || t == db::adDBTime;
}
bool IsBinary(int t) {
  return t == db::adBinary || t == db::adVarBinary || t == db::adLongVarBinary;
}

// "-0012.3400" -> "-12.34", "+5." -> "5", "-0.0" -> "0"; nullopt for anything else.
std::optional<std::string> CanonicalDecimal(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  size_t end = s.size();
  while (end > i && s[end - 1] == ' ') --end;
  s = s.substr(i, end - i);
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  const size_t point = s.find('.');
  std::string_view whole = s.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? "" : s.substr(point + 1);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  auto digits = [](std::string_view d) {
    return std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!digits(whole) || !digits(fraction)) return std::nullopt;
  while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
  while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
  std::string out = whole.empty() ? "0" : std::string(whole);
  if (!fraction.empty()) out.append(".").append(fraction);
  if (negative && out != "0") out = "-" + out;
  return out;
}

std::string FloatText(double d, int digits) {
  if (std::isnan(d)) return "nan";
  if (std::isinf(d)) return d < 0 ? "-inf" : "inf";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*g", digits, d);
  std::string text = buffer;
  return text == "-0" ? "0" : text;
}

std::optional<double> AsFloat(const db::Variant& v) {
  using VK = db::Variant::Kind;
  switch (v.kind()) {
    case VK::Double:
      return v.AsDouble();
    case VK::Int:
      return static_cast<double>(v.AsInt());
    case VK::Bool:
      return v.AsBool() ? 1.0 : 0.0;
    case VK::Decimal:
      return std::strtod(v.Dec().text.c_str(), nullptr);
    case VK::String: {
      const std::string& s = v.Str();
      char* end = nullptr;
      const double d = std::strtod(s.c_str(), &end);
      if (!s.empty() && end && *end == '\0') return d;
      if (s == "inf" || s == "-inf" || s == "nan") return d;
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

struct Moment {
  db::DateTime at;
  bool hasDate = true;
};

// "YYYY-MM-DD", "YYYY-MM-DD hh:mm:ss[.fffffffff]" (or with "T"), "hh:mm:ss[.f]".
std::optional<Moment> ParseMoment(const std::string& s) {
  Moment m;
  unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
  int used = 0;
  const char* rest = s.c_str();
  if (std::sscanf(rest, "%4u-%2u-%2u%n", &y, &mo, &d, &used) == 3) {
    m.at.date = {static_cast<int16_t>(y), static_cast<uint16_t>(mo), static_cast<uint16_t>(d)};
    rest += used;
    if (*rest == '\0') return m;
    if (*rest != ' ' && *rest != 'T') return std::nullopt;
    ++rest;
  } else {
    m.hasDate = false;
  }
  if (std::sscanf(rest, "%2u:%2u:%2u%n", &h, &mi, &se, &used) != 3) return std::nullopt;
  m.at.time = {static_cast<uint16_t>(h), static_cast<uint16_t>(mi), static_cast<uint16_t>(se)};
  rest += used;
  if (*rest == '.') {
    ++rest;
    uint32_t fraction = 0;
    int n = 0;
    for (; *rest >= '0' && *rest <= '9'; ++rest, ++n)
      if (n < 9) fraction = fraction * 10 + static_cast<uint32_t>(*rest - '0');
    for (; n < 9; ++n) fraction *= 10;
    m.at.fraction = fraction;
  }
  if (*rest != '\0') return std::nullopt;
  return m;
}

std::optional<Moment> AsMoment(const db::Variant& v) {
  using VK = db::Variant::Kind;
  switch (v.kind()) {
    case VK::DateTime:
      return Moment{v.AsDateTime(), true};
    case VK::Date:
      return Moment{db::DateTime{v.AsDate(), {}, 0}, true};
    case VK::Time:
      return Moment{db::DateTime{{}, v.AsTime(), 0}, false};
    case VK::String:
      return ParseMoment(v.Str());
    default:
      return std::nullopt;
  }
}

std::string MomentText(const db::DateTime& t, Kind kind, int fractionDigits) {
  char buffer[48];
  std::string out;
  if (kind != Kind::Time) {
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", t.date.year, t.date.month, t.date.day);
    out = buffer;
    if (kind == Kind::Date) return out;
    out += ' ';
  }
  std::snprintf(buffer, sizeof buffer, "%02u:%02u:%02u", t.time.hour, t.time.minute, t.time.second);
  out += buffer;
  if (fractionDigits > 0) {
    std::snprintf(buffer, sizeof buffer, "%09u", t.fraction);
    out.append(".").append(buffer, static_cast<size_t>(fractionDigits));
  }
  return out;
}

// 64-bit FNV-1a with a chosen basis, then a finaliser so that sums of similar texts spread.
uint64_t Hash(const std::string& s, uint64_t basis) {
  uint64_t h = basis;
  for (unsigned char c : s) {
    h ^= c;
    h *= 0x100000001b3ULL;
  }
  h ^= h >> 30;
  h *= 0xbf58476d1ce4e5b9ULL;
  h ^= h >> 27;
  h *= 0x94d049bb133111ebULL;
  return h ^ (h >> 31);
}

}  // namespace

std::string JoinNames(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
  return out;
}

void ColumnDigest::Add(const std::optional<std::string>& value) {
  if (!value) {
    ++nulls;
    return;
  }
  sum1 += Hash(*value, 0xcbf29ce484222325ULL);
  sum2 += Hash(*value, 0x84222325cbf29ce4ULL);
}

ColumnRule RuleFor(const db::FieldDesc& source, const db::FieldDesc& target) {
  const int s = source.adoType, t = target.adoType;
  ColumnRule rule;
  auto either = [&](bool (*test)(int)) { return test(s) || test(t); };
  if (either(IsFloat)) {
    rule.kind = Kind::Float;
    if (s == db::adSingle || t == db::adSingle) {
      rule.single = true;
      rule.significantDigits = 9;
    }
  } else if (either(IsNumber)) {
    rule.kind = Kind::Number;
  } else if (IsMoment(s) || IsMoment(t)) {
    rule.fractionDigits = std::min(IsMoment(s) ? db::FractionDigitsOf(source) : 9,
                                   IsMoment(t) ? db::FractionDigitsOf(target) : 9);
    if (s == db::adDBDate && t == db::adDBDate)
      rule.kind = Kind::Date;
    else if (s == db::adDBTime && t == db::adDBTime)
      rule.kind = Kind::Time;
    else
      rule.kind = Kind::DateTime;
  } else if (either(IsBinary)) {
    rule.kind = Kind::Bytes;
  }
  if (rule.kind == Kind::Text)
    rule.padded = s == db::adChar || s == db::adWChar || t == db::adChar || t == db::adWChar;
  return rule;
}

std::optional<std::string> NormalisedValue(const db::Variant& v, const ColumnRule& rule) {
  using VK = db::Variant::Kind;
  if (v.IsNull()) return std::nullopt;
  switch (rule.kind) {
    case Kind::Number: {
      if (v.kind() == VK::Int) return std::to_string(v.AsInt());
      if (v.kind() == VK::Bool) return v.AsBool() ? "1" : "0";
      if (v.kind() == VK::Double) return FloatText(v.AsDouble(), 15);
      const std::string text = v.kind() == VK::Decimal ? v.Dec().text : v.AsText();
      return CanonicalDecimal(text).value_or(text);
    }
    case Kind::Float:
      if (auto d = AsFloat(v)) {
        double x = *d;
        // Below the halfway point past FLT_MAX a value rounds to a finite float.
        if (rule.single && std::fabs(x) < 0x1.ffffffp127) x = static_cast<float>(x);
        return FloatText(x, rule.significantDigits);
      }
      return v.AsText();
    case Kind::DateTime:
    case Kind::Date:
    case Kind::Time:
      if (auto m = AsMoment(v)) {
        // A time of day alone compares as one; a date in a timestamp column as its midnight.
        const Kind kind = !m->hasDate ? Kind::Time : rule.kind;
        return MomentText(m->at, kind, rule.fractionDigits);
      }
      return v.AsText();
    case Kind::Bytes:
      if (v.kind() == VK::Bytes) return std::string(v.Blob().begin(), v.Blob().end());
      return v.AsText();
    case Kind::Text: {
      std::string text = v.AsText();
      if (rule.padded) text.erase(text.find_last_not_of(' ') + 1);
      return text;
    }
  }
  return v.AsText();
}

TableDigest DigestRows(db::Query& rows, const std::vector<ColumnRule>& rules) {
  TableDigest digest;
  digest.columns.resize(rules.size());
  for (; !rows.Eof(); rows.Next()) {
    ++digest.rows;
    for (size_t i = 0; i < rules.size(); ++i)
      digest.columns[i].Add(NormalisedValue(rows.Value(i), rules[i]));
  }
  return digest;
}

TableRowsOpener RowsOn(TADODataGate& gate) {
  return [&gate](const std::string& table) { return gate.AdoConnection()->StreamTable(table); };
}

TableRowsOpener RowsOn(TComDBConn& gate) {
  return [&gate](const std::string& table) {
    std::unique_ptr<db::Query> query = gate.NewQuery();
    query->Open("select * from " + table, {}, db::Fetch::Stream);
    return query;
  };
}

VerifyResult CompareTable(const std::string& table, const TableRowsOpener& source,
                          const TableRowsOpener& target, int64_t rowsRefused) {
  VerifyResult result;
  std::unique_ptr<db::Query> s, t;
  try {
    s = source(table);
  } catch (const std::exception& e) {
    result.detail = "cannot read the source table: " + std::string(e.what());
    return result;
  }
  try {
    t = target(table);
  } catch (const std::exception& e) {
    result.detail = "cannot read the target table: " + std::string(e.what());
    return result;
  }
  const std::vector<db::FieldDesc>& sf = s->Fields();
  const std::vector<db::FieldDesc>& tf = t->Fields();
  const size_t columns = std::min(sf.size(), tf.size());
  std::vector<ColumnRule> rules;
  for (size_t i = 0; i < columns; ++i) rules.push_back(RuleFor(sf[i], tf[i]));
  const TableDigest sd = DigestRows(*s, rules);
  const TableDigest td = DigestRows(*t, rules);
  result.sourceRows = sd.rows;
  result.targetRows = td.rows;
  for (size_t i = 0; i < columns; ++i)
    if (!(sd.columns[i] == td.columns[i])) result.columnsDiffering.push_back(sf[i].name);

  std::vector<std::string> why;
  if (tf.size() < sf.size())
    why.push_back(StrFormat("the target has %d of the source's %d columns",
                            static_cast<int>(tf.size()), static_cast<int>(sf.size())));
  if (rowsRefused > 0 && td.rows == sd.rows - rowsRefused) {
    // The shortfall is the refused rows; which values they took along cannot be told apart.
    result.columnsDiffering.clear();
    why.push_back(
        StrFormat("%lld of %lld rows were refused during the copy (see the run log); "
                  "the target holds the other %lld",
                  static_cast<long long>(rowsRefused), static_cast<long long>(sd.rows),
                  static_cast<long long>(td.rows)));
  } else {
    if (sd.rows != td.rows)
      why.push_back(StrFormat("rows: source %lld, target %lld", static_cast<long long>(sd.rows),
                              static_cast<long long>(td.rows)));
    if (rowsRefused > 0)
      why.push_back(
          StrFormat("%lld rows were refused during the copy", static_cast<long long>(rowsRefused)));
    if (!result.columnsDiffering.empty())
      why.push_back("columns differing: " + JoinNames(result.columnsDiffering));
  }
  result.match = why.empty();
  for (const std::string& w : why) result.detail += (result.detail.empty() ? "" : "; ") + w;
  return result;
}

}  // namespace mvq
