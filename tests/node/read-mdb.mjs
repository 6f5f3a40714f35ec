// Reads an Access file with mdb-reader and prints what it finds, one item a line:
//   table <TAB> name <TAB> stored row count <TAB> rows found
//   column <TAB> table <TAB> name <TAB> type <TAB> size <TAB> precision <TAB> scale
//   row <TAB> table <TAB> value <TAB> value ...   (only for the tables named after FILE)
// Values: NULL, text as is (tabs and newlines escaped), dates in ISO form, binary values as
// "bytes:<length>:<sum of bytes>:<sum of bytes times their 1-based place>", both sums mod
// 1e9+7 (the second tells bytes that moved). Usage: node read-mdb.mjs FILE [TABLE...]
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const [file, ...only] = process.argv.slice(2);
const reader = new MDBReader(readFileSync(file));
const lines = [];
const show = (v) => {
  if (v === null || v === undefined) return "NULL";
  if (v instanceof Date) return v.toISOString();
  if (Buffer.isBuffer(v)) {
    const sum = v.reduce((a, b) => (a + b) % 1000000007, 0);
    const placed = v.reduce((a, b, i) => (a + b * (i + 1)) % 1000000007, 0);
    return `bytes:${v.length}:${sum}:${placed}`;
  }
  return String(v).replace(/\\/g, "\\\\").replace(/\t/g, "\\t").replace(/\n/g, "\\n");
};
for (const name of reader.getTableNames({ systemTables: true })) {
  const t = reader.getTable(name);
  const columns = t.getColumns();
  const rows = t.getData();
  lines.push(["table", name, t.rowCount, rows.length].join("\t"));
  for (const c of columns)
    lines.push(["column", name, c.name, c.type, c.size, c.precision ?? "", c.scale ?? ""].join("\t"));
  if (only.includes(name))
    for (const r of rows) lines.push(["row", name, ...columns.map((c) => show(r[c.name]))].join("\t"));
}
process.stdout.write(lines.join("\n") + "\n");
