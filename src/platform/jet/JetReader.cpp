#include "platform/jet/JetReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/jet/DataPage.h"
#include "platform/jet/LongValue.h"
#include "platform/jet/RowCodec.h"
#include "platform/jet/SystemCatalog.h"
#include "platform/jet/TableDefPage.h"
#include "platform/jet/UsageMap.h"
#include "platform/jet/ValueDecode.h"
#include "platform/text/AsciiCase.h"

namespace mvq::jet {

namespace {
constexpr uint32_t kCatalogPage = 2;  // MSysObjects' definition, in every Jet 4 file

bool IsDataPageOf(const Page& p, uint32_t owner) {
  return p[0] == uint8_t(PageKind::Data) && Get32(&p[4]) == owner;
}
}  // namespace

std::unique_ptr<JetReader> JetReader::Open(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw JetError("cannot open " + path + ": " + std::strerror(errno));
  std::unique_ptr<JetReader> r(new JetReader(fd));
  Page header = r->Read(0);
  // Jet 4 and later keep the version at 0x14 (0: Jet 3, with pages of another size).
  if (std::memcmp(&header[4], "Standard Jet DB", 15) != 0 || header[0x14] != 1) return nullptr;
  Loaded catalog = r->Load({"MSysObjects", kCatalogPage});
  r->ForEachLiveRow(kCatalogPage, catalog.pages, [&](const Bytes& row) {
    if (auto t = CatalogTableOf(DecodeRow(catalog.schema, row)))
      r->tables_.push_back({t->second, t->first});
  });
  return r;
}

JetReader::~JetReader() {
  ::close(fd_);
}

Page JetReader::Read(uint32_t page) const {
  Page p(kPageSize, 0);
  size_t done = 0;
  while (done < kPageSize) {
    ssize_t n =
        ::pread(fd_, p.data() + done, kPageSize - done, off_t(page) * kPageSize + off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw JetError("cannot read page " + std::to_string(page) + ": " + std::strerror(errno));
    if (n == 0) throw JetError("page " + std::to_string(page) + " past the end of the file");
    done += size_t(n);
  }
  return p;
}

const JetReader::Table* JetReader::Find(const std::string& name) const {
  for (const Table& t : tables_)
    if (text::SameIgnoringCase(t.name, name)) return &t;
  return nullptr;
}

JetReader::Loaded JetReader::Load(const Table& t) const {
  auto read = [&](uint32_t p) { return Read(p); };
  std::vector<Page> pages;
  for (auto& numbered : ReadTableDefPages(t.definitionPage, read))
    pages.push_back(std::move(numbered.second));
  Bytes def = JoinTableDef(pages);
  Loaded out;
  out.schema = DecodeTableSchema(def);
  out.schema.name = t.name;
  TableDefState state = DecodeTableDefState(def, out.schema);
  DataPage mapPage = DataPage::FromBytes(Read(state.usedMap.page));
  if (state.usedMap.row >= mapPage.RowCount())
    throw JetError("table " + t.name + ": its page map is missing");
  for (uint32_t p : UsageMap::Decode(mapPage.Row(state.usedMap.row), read)) out.pages.push_back(p);
  return out;
}

TableSchema JetReader::Schema(const Table& t) const {
  return Load(t).schema;
}

namespace {

class PageCursor : public JetReader::Cursor {
 public:
  PageCursor(std::function<Page(uint32_t)> read, uint32_t owner, TableSchema schema,
             std::vector<uint32_t> pages)
      : read_(std::move(read)),
        owner_(owner),
        schema_(std::move(schema)),
        pages_(std::move(pages)) {}

  bool Next(std::vector<db::Variant>& row) override {
    for (;;) {
      if (page_ && next_ < page_->RowCount() && next_ < kMaxRowsPerPage) {
        auto stored = LiveRow(*page_, uint8_t(next_++), owner_, read_);
        if (!stored) continue;
        std::vector<Cell> cells = DecodeRow(schema_, *stored);
        row.resize(cells.size());
        auto longValue = [&](const Bytes& ref) { return ReadLongValue(ref, read_); };
        for (size_t i = 0; i < cells.size(); ++i)
          row[i] = DecodeValue(schema_.columns[i], cells[i], longValue);
        return true;
      }
      if (at_ >= pages_.size()) return false;
      Page p = read_(pages_[at_++]);
      // A map may name pages the table gave back; only its own data pages hold its rows.
      page_.reset();
      next_ = 0;
      if (IsDataPageOf(p, owner_)) page_ = DataPage::FromBytes(p);
    }
  }

 private:
  std::function<Page(uint32_t)> read_;
  uint32_t owner_;
  TableSchema schema_;
  std::vector<uint32_t> pages_;
  size_t at_ = 0;
  std::optional<DataPage> page_;
  uint16_t next_ = 0;
};

}  // namespace

std::unique_ptr<JetReader::Cursor> JetReader::Rows(const Table& t) const {
  Loaded l = Load(t);
  return std::make_unique<PageCursor>([this](uint32_t p) { return Read(p); }, t.definitionPage,
                                      std::move(l.schema), std::move(l.pages));
}

int64_t JetReader::CountRows(const Table& t) const {
  int64_t n = 0;
  ForEachLiveRow(t.definitionPage, Load(t).pages, [&](const Bytes&) { ++n; });
  return n;
}

void JetReader::ForEachLiveRow(uint32_t owner, const std::vector<uint32_t>& pages,
                               const std::function<void(const Bytes&)>& f) const {
  auto read = [&](uint32_t p) { return Read(p); };
  for (uint32_t p : pages) {
    Page bytes = Read(p);
    if (!IsDataPageOf(bytes, owner)) continue;
    DataPage page = DataPage::FromBytes(bytes);
    for (uint16_t k = 0; k < page.RowCount() && k < kMaxRowsPerPage; ++k)
      if (auto row = LiveRow(page, uint8_t(k), owner, read)) f(*row);
  }
}

}  // namespace mvq::jet
