#pragma once
// Every input of the wizard that the user fills in, with the window's built-in defaults. The
// members carry the controls' names so the window, the batch runner and the settings file
// agree on them.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/TableList.h"

namespace mvq {

// The SQL Server database name: an editable drop-down list.
struct CatalogBox {
  std::string text;
  std::vector<std::string> items;
  int32_t itemIndex = -1;

  // Fills the list from the server's database names and chooses the first. An empty answer
  // empties the list and leaves the typed text alone.
  void SetItems(std::vector<std::string> names);
  // Chooses an item; an index outside the list chooses none and keeps the text.
  void SetItemIndex(int32_t index);
};

enum class SqlAuth { Windows, SqlServer };

// The file fields' default: name in the user's documents folder (name alone without one).
std::string DefaultDocumentPath(const std::string& name);

struct FormState {
  // Page 0: the direction, 0-9.
  int32_t RGmy = 0;

  // Page 1, SQL Server group.
  std::string edtsqlserverdb;
  SqlAuth sqlAuth = SqlAuth::SqlServer;
  std::string edtsqluser = "sa";
  std::string edtsqlpassword;
  CatalogBox edtsqlCatalog;

  // Page 1, Oracle group.
  std::string edtcomputer = "127.0.0.1";
  std::string edtDB;
  std::string edtport = "1521";
  std::string edtuser;
  std::string edtpassword;

  // Page 1, Access group; the password field is hidden and only kept in the settings file.
  std::string edtfilename = DefaultDocumentPath("1.mdb");
  std::string edtmdbpassword;

  // Page 1, Excel group.
  std::string edtxlsfilename = DefaultDocumentPath("1.xls");
  bool chkexcel = false;  // delete an existing workbook of that name

  // Page 2: source list, export list, existing-table mode 0-2.
  TableList lbold;
  TableList lbnew;
  int32_t RGtableMode = 0;

  // Page 3: the custom direction's two connection strings.
  std::string edtSrc;
  std::string edtDest;

  // Check marks of the popup menu entries N1..N8 and miFindNext: never set by the program,
  // only carried through the settings file.
  std::array<bool, 8> N{};
  bool miFindNext = false;

  bool RBConnw() const { return sqlAuth == SqlAuth::Windows; }
  bool RBConnS() const { return sqlAuth == SqlAuth::SqlServer; }
  // The SQL Server user and password fields (and their labels) are editable only under
  // SQL Server authentication.
  bool SqlLoginEnabled() const { return RBConnS(); }
};

}  // namespace mvq
