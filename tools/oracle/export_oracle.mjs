// Compares `jetdb export` with `mdb-export -b hex -T '%Y-%m-%d %H:%M:%S'` (mdbtools) for
// every table, system tables included, of every database in a folder.
//
// Tables whose exports are byte-identical match. Where they differ, every differing field
// must be one of the known mdbtools faults, and jetdb's field must hold the value that the
// independent reader mdb-reader sees:
//   - binary data with a zero byte, which mdbtools cuts off at that byte;
//   - text with a U+0000 character, which mdbtools cuts off there.
// Anything else fails the test.
//
// usage: node export_oracle.mjs --fixtures DIR --jetdb PROGRAM [--runner WRAPPER] [--path-prefix Z:]
// Exits 0 when every table matches or differs only as above, 1 otherwise, and 77 (skip)
// when mdbtools or the fixtures are absent.
import { spawnSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import MDBReader from "mdb-reader";

function parseArgs(argv) {
  const opts = { fixtures: null, jetdb: null, runner: null, prefix: "" };
  for (let i = 2; i < argv.length; ++i) {
    const a = argv[i];
    if (a === "--fixtures") opts.fixtures = argv[++i];
    else if (a === "--jetdb") opts.jetdb = argv[++i];
    else if (a === "--runner") opts.runner = argv[++i];
    else if (a === "--path-prefix") opts.prefix = argv[++i];
    else throw new Error(`unknown argument ${a}`);
  }
  if (!opts.fixtures || !opts.jetdb) throw new Error("--fixtures and --jetdb are required");
  return opts;
}

function run(cmd, args) {
  const r = spawnSync(cmd, args, { maxBuffer: 1 << 30 });
  if (r.error) throw r.error;
  return r;
}

function have(program) {
  return spawnSync(program, ["--version"]).error === undefined;
}

// Splits CSV (latin1 string, one char per byte) into rows of raw fields, quotes kept.
function parseCsv(text) {
  const rows = [];
  let row = [];
  let i = 0;
  let field = "";
  while (i < text.length) {
    const c = text[i];
    if (c === '"') {
      let j = i + 1;
      while (j < text.length) {
        if (text[j] === '"') {
          if (text[j + 1] === '"') { j += 2; continue; }
          break;
        }
        ++j;
      }
      field += text.slice(i, j + 1);
      i = j + 1;
    } else if (c === ",") {
      row.push(field); field = ""; ++i;
    } else if (c === "\n") {
      row.push(field); rows.push(row); row = []; field = ""; ++i;
    } else {
      field += c; ++i;
    }
  }
  if (field !== "" || row.length) { row.push(field); rows.push(row); }
  return rows;
}

const quote = (s) => '"' + s.replaceAll('"', '""') + '"';
const latin1OfUtf8 = (s) => Buffer.from(s, "utf8").toString("latin1");

// Explains one differing field, or returns null.
function explain(mdbField, jetField, value, column) {
  if (Buffer.isBuffer(value)) {
    const hex = value.toString("hex").toUpperCase();
    if (jetField !== '"' + hex + '"') return null;
    const zero = value.indexOf(0);
    if (zero < 0) return null;
    const cut = hex.slice(0, 2 * zero);
    if (mdbField === (cut === "" ? "" : '"' + cut + '"')) return "binary value with a zero byte";
    return null;
  }
  if (typeof value === "string" && (column.type === "text" || column.type === "memo")) {
    if (jetField !== latin1OfUtf8(quote(value))) return null;
    const nul = value.indexOf("\0");
    if (nul < 0) return null;
    const cut = value.slice(0, nul);
    if (mdbField === (cut === "" ? "" : latin1OfUtf8(quote(cut)))) return "text with a U+0000 character";
    return null;
  }
  return null;
}

function main() {
  const opts = parseArgs(process.argv);
  if (!fs.existsSync(opts.fixtures)) {
    console.log(`SKIP: fixtures folder ${opts.fixtures} is absent`);
    process.exit(77);
  }
  if (!have("mdb-export") || !have("mdb-tables")) {
    console.log("SKIP: mdbtools (mdb-export, mdb-tables) is not installed");
    process.exit(77);
  }
  const files = fs.readdirSync(opts.fixtures).filter((f) => f.endsWith(".mdb")).sort();
  let identical = 0, explained = 0, failed = 0, userTables = 0, userIdentical = 0;
  const notes = new Map();
  for (const file of files) {
    const full = path.join(opts.fixtures, file);
    const reader = new MDBReader(fs.readFileSync(full));
    const password = reader.getPassword() ?? "";
    const userNames = new Set(reader.getTableNames());
    const tables = run("mdb-tables", ["-S", "-1", full]).stdout.toString("utf8").split("\n").filter(Boolean);
    for (const table of tables) {
      const isUser = userNames.has(table);
      if (isUser) ++userTables;
      const expected = run("mdb-export", ["-b", "hex", "-T", "%Y-%m-%d %H:%M:%S", full, table]).stdout;
      const jetArgs = ["export", opts.prefix + full, table];
      if (password) jetArgs.push("--password", password);
      const r = opts.runner ? run(opts.runner, [opts.jetdb, ...jetArgs]) : run(opts.jetdb, jetArgs);
      if (r.status !== 0) {
        console.log(`FAIL ${file} ${table}: jetdb exited ${r.status}: ${r.stderr.toString()}`);
        ++failed;
        continue;
      }
      if (Buffer.compare(expected, r.stdout) === 0) {
        ++identical;
        if (isUser) ++userIdentical;
        continue;
      }
      // Field by field, against mdb-reader.
      const a = parseCsv(expected.toString("latin1"));
      const b = parseCsv(r.stdout.toString("latin1"));
      let problem = null;
      const reasons = new Set();
      if (a.length !== b.length) problem = `${a.length} rows from mdb-export, ${b.length} from jetdb`;
      let data = null, columns = null;
      try {
        const t = reader.getTable(table);
        data = t.getData();
        columns = t.getColumns();
      } catch (e) {
        problem = problem ?? `mdb-reader cannot read the table (${e.message})`;
      }
      for (let i = 1; !problem && i < a.length; ++i) {
        if (a[i].length !== b[i].length) { problem = `row ${i}: field counts differ`; break; }
        for (let j = 0; j < a[i].length; ++j) {
          if (a[i][j] === b[i][j]) continue;
          const why = explain(a[i][j], b[i][j], data[i - 1][columns[j].name], columns[j]);
          if (!why) {
            problem = `row ${i} column ${columns[j].name}: mdb-export ${a[i][j].slice(0, 80)} jetdb ${b[i][j].slice(0, 80)}`;
            break;
          }
          reasons.add(why);
        }
      }
      if (!problem && a[0].join(",") !== b[0].join(",")) problem = "header rows differ";
      if (problem) {
        console.log(`FAIL ${file} ${table}: ${problem}`);
        ++failed;
      } else {
        ++explained;
        for (const why of reasons) notes.set(why, (notes.get(why) ?? 0) + 1);
        console.log(`differs as known: ${file} ${table}: ${[...reasons].join(", ")} (jetdb agrees with mdb-reader)`);
      }
    }
  }
  const total = identical + explained + failed;
  console.log(`${total} tables in ${files.length} databases: ${identical} identical to mdb-export, ` +
              `${explained} differing only where mdbtools cuts values short, ${failed} failed`);
  console.log(`user tables: ${userIdentical} of ${userTables} identical`);
  process.exit(failed === 0 ? 0 : 1);
}

main();
