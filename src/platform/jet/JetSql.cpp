#include "platform/jet/JetSql.h"

#include <cctype>
#include <optional>
#include <vector>

#include "platform/jet/JetText.h"
#include "platform/text/AsciiCase.h"

namespace mvq::jet {

namespace {

struct Token {
  enum Kind { Word, Name, Number, Punct, Text, End } kind = End;
  std::string text;
  bool Is(const char* word) const { return kind == Word && text::SameIgnoringCase(text, word); }
  bool IsPunct(char c) const { return kind == Punct && text.size() == 1 && text[0] == c; }
};

std::vector<Token> Tokenize(const std::string& s) {
  std::vector<Token> out;
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (std::isspace(c)) {
      ++i;
      continue;
    }
    if (c == '[' || c == '"' || c == '`') {
      char close = c == '[' ? ']' : char(c);
      size_t e = s.find(close, i + 1);
      if (e == std::string::npos) throw JetError("unclosed name in: " + s);
      out.push_back({Token::Name, s.substr(i + 1, e - i - 1)});
      i = e + 1;
    } else if (c == '\'') {
      std::string v;
      size_t j = i + 1;
      for (; j < s.size(); ++j) {
        if (s[j] == '\'' && j + 1 < s.size() && s[j + 1] == '\'') {
          v += '\'';
          ++j;
        } else if (s[j] == '\'')
          break;
        else
          v += s[j];
      }
      out.push_back({Token::Text, v});
      i = j + 1;
    } else if (std::isdigit(c) || ((c == '-' || c == '.') && i + 1 < s.size() &&
                                   std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
      size_t j = i + 1;
      while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
      out.push_back({Token::Number, s.substr(i, j - i)});
      i = j;
    } else if (std::isalpha(c) || c == '_' || c >= 0x80) {
      size_t j = i + 1;
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_' ||
                              s[j] == '$' || static_cast<unsigned char>(s[j]) >= 0x80))
        ++j;
      out.push_back({Token::Word, s.substr(i, j - i)});
      i = j;
    } else {
      out.push_back({Token::Punct, std::string(1, char(c))});
      ++i;
    }
  }
  out.push_back({Token::End, {}});
  return out;
}

class Parser {
 public:
  explicit Parser(const std::string& sql) : sql_(sql), t_(Tokenize(sql)) {}

  std::optional<SelectRows> ParseSelectRows() {
    SelectRows q;
    if (!Accept("select")) return std::nullopt;
    if (Accept("count")) {
      if (!Accept("(") || !Accept("*") || !Accept(")")) return std::nullopt;
      q.count = true;
    } else if (!Accept("*")) {
      return std::nullopt;
    }
    if (!Accept("from") || (Peek().kind != Token::Name && Peek().kind != Token::Word))
      return std::nullopt;
    q.table = Take().text;
    if (!q.count && Accept("where")) {
      // The column probe: a condition no row meets.
      Token a = Take();
      if (!Accept("=")) return std::nullopt;
      Token b = Take();
      if (a.kind != Token::Number || b.kind != Token::Number || a.text == b.text)
        return std::nullopt;
      q.noRows = true;
    }
    if (Peek().kind != Token::End) return std::nullopt;
    return q;
  }

  Statement Parse() {
    if (Accept("create")) {
      Expect("table");
      return ParseCreate();
    }
    if (Accept("drop")) {
      Expect("table");
      DropTable d{TakeName()};
      End();
      return d;
    }
    if (Accept("delete")) {
      Accept("*");
      Expect("from");
      DeleteRows d{TakeName()};
      End();
      return d;
    }
    throw JetError("statement not supported on an Access file: " + sql_);
  }

 private:
  const Token& Peek() const { return t_[at_]; }
  Token Take() { return t_[at_ < t_.size() - 1 ? at_++ : at_]; }
  bool Accept(const char* word) {
    if (Peek().Is(word) || (word[1] == 0 && Peek().IsPunct(word[0]))) {
      ++at_;
      return true;
    }
    return false;
  }
  void Expect(const char* word) {
    if (!Accept(word)) throw JetError(std::string("expected ") + word + " in: " + sql_);
  }
  void End() {
    Accept(";");
    if (Peek().kind != Token::End) throw JetError("unexpected '" + Peek().text + "' in: " + sql_);
  }
  std::string TakeName() {
    Token n = Take();
    if (n.kind != Token::Name && n.kind != Token::Word)
      throw JetError("expected a name in: " + sql_);
    // A qualified name keeps its last part: Access has no schemas.
    while (Peek().IsPunct('.')) {
      ++at_;
      n = Take();
    }
    return n.text;
  }
  std::vector<int> Numbers() {
    std::vector<int> v;
    if (!Accept("(")) return v;
    while (!Accept(")")) {
      Token n = Take();
      if (n.kind == Token::Number)
        v.push_back(std::stoi(n.text));
      else if (!n.IsPunct(',') && !n.Is("max"))
        throw JetError("bad type size in: " + sql_);
      if (n.kind == Token::End) throw JetError("unclosed ( in: " + sql_);
    }
    return v;
  }
  std::vector<uint16_t> KeyColumns(const TableSchema& t) {
    std::vector<uint16_t> cols;
    Expect("(");
    while (!Accept(")")) {
      if (Accept(",")) continue;
      std::string n = TakeName();
      bool found = false;
      for (size_t i = 0; i < t.columns.size(); ++i)
        if (text::SameIgnoringCase(t.columns[i].name, n)) {
          cols.push_back(uint16_t(i));
          found = true;
        }
      if (!found) throw JetError("primary key names no column " + n);
      Accept("asc");
    }
    return cols;
  }
  void SetKey(TableSchema& t, std::vector<uint16_t> cols) {
    if (!t.indexes.empty()) throw JetError("two primary keys in: " + sql_);
    if (cols.size() > 10) throw JetError("a key of more than 10 columns in: " + sql_);
    Index pk;
    pk.name = "PrimaryKey";
    pk.columns = std::move(cols);
    pk.primary = pk.unique = pk.required = true;
    t.indexes.push_back(pk);
  }

  Statement ParseCreate() {
    CreateTable c;
    c.schema.name = TakeName();
    Expect("(");
    for (;;) {
      if (Accept("constraint")) TakeName();
      if (Accept("primary")) {
        Expect("key");
        SetKey(c.schema, KeyColumns(c.schema));
      } else {
        ParseColumn(c.schema);
      }
      if (Accept(",")) continue;
      Expect(")");
      break;
    }
    End();
    return c;
  }

  void ParseColumn(TableSchema& t) {
    Column col;
    col.name = TakeName();
    Token type = Take();
    if (type.kind != Token::Word) throw JetError("no type for column " + col.name + " in: " + sql_);
    std::string name = type.text;
    if (text::SameIgnoringCase(name, "double") && Peek().Is("precision")) ++at_;
    if ((text::SameIgnoringCase(name, "long") && (Peek().Is("binary") || Peek().Is("text"))) ||
        text::SameIgnoringCase(name, "character")) {
      name += Peek().kind == Token::Word ? Take().text : "";
    }
    std::vector<int> size = Numbers();
    SetType(col, name, size);
    for (;;) {
      if (Accept("not")) {
        Expect("null");
      } else if (Accept("null")) {
      } else if (Accept("default")) {
        Token v = Take();
        if (v.kind == Token::Word && Peek().IsPunct('(')) Numbers();
      } else if (Accept("primary")) {
        Expect("key");
        SetKey(t, {uint16_t(t.columns.size())});
      } else if (Accept("identity")) {
        Numbers();
        col.autoNumber = true;
      } else {
        break;
      }
    }
    t.columns.push_back(col);
  }

  void SetType(Column& c, const std::string& n, const std::vector<int>& size) {
    auto is = [&](std::initializer_list<const char*> names) {
      for (const char* x : names)
        if (text::SameIgnoringCase(n, x)) return true;
      return false;
    };
    int first = size.empty() ? -1 : size[0];
    if (is({"varchar", "char", "nvarchar", "nchar", "string", "charactervarying", "varchar2",
            "nvarchar2"}) ||
        (is({"text"}) && first > 0)) {
      int chars = first < 0 ? 255 : first;
      if (chars < 1 || chars > 255)
        throw JetError("text column " + c.name + " of " + std::to_string(chars) +
                       " characters: Access holds 1 to 255");
      c.type = ColType::Text;
      c.length = uint16_t(2 * chars);
    } else if (is({"memo", "text", "longtext", "longchar", "ntext", "note", "longtext", "clob"})) {
      c.type = ColType::Memo;
    } else if (is({"byte", "tinyint", "integer1"})) {
      c.type = ColType::Byte;
    } else if (is({"smallint", "short", "integer2"})) {
      c.type = ColType::Int;
    } else if (is({"integer", "int", "long", "integer4"})) {
      c.type = ColType::Long;
    } else if (is({"counter", "autoincrement", "autonumber"})) {
      c.type = ColType::Long;
      c.autoNumber = true;
    } else if (is({"single", "real", "float4", "ieeesingle"})) {
      c.type = ColType::Float;
    } else if (is({"double", "float", "float8", "ieeedouble", "number"})) {
      c.type = ColType::Double;
    } else if (is({"currency", "money"})) {
      c.type = ColType::Money;
    } else if (is({"numeric", "decimal", "dec"})) {
      c.type = ColType::Numeric;
      c.precision = uint8_t(first < 0 ? 18 : first);
      c.scale = uint8_t(size.size() > 1 ? size[1] : 0);
      if (c.precision < 1 || c.precision > 28 || c.scale > c.precision)
        throw JetError("decimal column " + c.name +
                       ": precision 1 to 28, scale at most the precision");
    } else if (is({"bigint"})) {
      c.type = ColType::Numeric;
      c.precision = 19;
    } else if (is({"datetime", "date", "time", "timestamp", "smalldatetime"})) {
      c.type = ColType::DateTime;
    } else if (is({"bit", "yesno", "logical", "logical1", "boolean"})) {
      c.type = ColType::Bool;
    } else if (is({"oleobject", "ole", "object", "longbinary", "image", "general", "blob"})) {
      c.type = ColType::Ole;
    } else if (is({"binary", "varbinary"})) {
      int bytes = first < 0 ? 255 : first;
      if (bytes > 255) {
        c.type = ColType::Ole;
      } else {
        c.type = ColType::Binary;
        c.length = uint16_t(bytes);
      }
    } else if (is({"guid", "uniqueidentifier"})) {
      c.type = ColType::Guid;
    } else {
      throw JetError("type " + n + " of column " + c.name + " is not an Access type");
    }
  }

  std::string sql_;
  std::vector<Token> t_;
  size_t at_ = 0;
};

}  // namespace

const std::vector<db::ProviderTypeRow>& WrittenTypes() {
  // Text(255) is the narrow Unicode text, LongText the Memo; LongBinary the OLE Object.
  static const std::vector<db::ProviderTypeRow> kTypes = {
      {"Byte", 17, 3, true},
      {"Short", 2, 5, true},
      {"Long", 3, 10, true},
      {"Single", 4, 7, true},
      {"Double", 5, 15, true},
      {"Currency", 6, 19, true},
      {"Decimal", 131, 28, true},
      {"DateTime", 135, 8, true},
      {"Bit", 11, 2, true},
      {"VarChar", 130, 255, false},
      {"LongText", 130, 536870910, false},
      {"VarBinary", 128, 255, false},
      {"LongBinary", 128, 1073741823, false},
      {"GUID", 72, 16, true},
  };
  return kTypes;
}

std::optional<SelectRows> ParseSelect(const std::string& sql) {
  try {
    return Parser(sql).ParseSelectRows();
  } catch (const JetError&) {
    return std::nullopt;  // an unclosed name: the driver gives its own error
  }
}

Statement ParseStatement(const std::string& sql) {
  return Parser(sql).Parse();
}

}  // namespace mvq::jet
