// The module's run() as the page uses it: the filter's text (held against the native program where
// a sheet shows no number, which the two builds agree on), each line's result and error, the
// write-back that keeps every byte a result does not own, and the end of a run in an error.
// Usage: node --test web/test/module.test.mjs   (ENGINE and NATIVE in the environment override
// build/web/web/sheetcalc-engine.js and build/release/host/sheetcalc)
import assert from "node:assert/strict";
import { spawnSync } from "node:child_process";
import { createRequire } from "node:module";
import { dirname, resolve } from "node:path";
import test from "node:test";
import { fileURLToPath } from "node:url";

const root = resolve(dirname(fileURLToPath(import.meta.url)), "../..");
const factory = createRequire(import.meta.url)(
    process.env.ENGINE ?? resolve(root, "build/web/web/sheetcalc-engine.js"));
const engine = await factory();
const native = process.env.NATIVE ?? resolve(root, "build/release/host/sheetcalc");

function nativeFilter(sheet) {
  const run = spawnSync(native, ["-"], { input: sheet, encoding: "utf8",
                                         env: { ...process.env, XDG_CONFIG_HOME: "/nonexistent" } });
  return { text: run.stdout, status: run.status, stderr: run.stderr };
}

// Sheets whose results are errors, notes and text only.
const filterCases = [
  ["errors", "1/0\nmissing+1\n1/\n"],
  ["an old annotation replaced", "1/0//old\n"],
  ["blank lines and leading blanks dropped", "  1/0\n\n\n1/0"],
  ["CR LF line ends", "1/0\r\nmissing\r\n"],
  ["a note and the code page listing", "// a note\n#cp\n"],
  ["Japanese labels and text", "値+1\n// 表①髙ｱ\n"],
  ["characters code page 932 lacks", "// € 😀 \uE000 \u00A5 \u{E0001}\n€+1\n"],
  ["a byte order mark", "\uFEFF1/0\n"],
  ["a converted program", "#P2Js\nprogram p;\nbegin\n  writeln('あ');\nend.\n"],
];

for (const [name, sheet] of filterCases) {
  test(`the filter's text: ${name}`, () => {
    const want = nativeFilter(sheet);
    const got = engine.run(sheet);
    assert.equal(got.text, want.text);
    assert.equal(got.status, want.status);
  });
}

test("invalid UTF-8 and NUL come back byte for byte", () => {
  const sheet = new Uint8Array([0x2F, 0x2F, 0x20, 0xFF, 0x00, 0xE3, 0x81, 0x0A]);
  assert.deepEqual(engine.run(sheet).text, sheet);
});

test("each line's result and error, by line from 0", () => {
  const got = engine.run("x = 1\n\n1/0\n#cp\nmissing\n");
  assert.deepEqual(got.lines, [[2, "!Err:division by zero"], [4, "!Err:missing undefined labels"]]);
  assert.deepEqual(got.errors, [[2, "division by zero"], [4, "missing undefined labels"]]);
  assert.equal(got.listings.length, 1);
  assert.equal(got.listings[0][0], 3);
  assert.match(got.listings[0][1], /^\/\/ CP_ACP {2}: {5}932/);
  assert.equal(got.aborted, false);
});

// The language server's write-back: only what a result owns changes.
// [name, sheet, written, evaluates to itself when written back]
const writeBackCases = [
  ["blank lines, leading blanks and the last line without a break stay",
   "  1/0\n\n\nmissing", "  1/0//!Err:division by zero\n\n\nmissing//!Err:missing undefined labels"],
  ["CR LF stays", "1/0\r\n", "1/0//!Err:division by zero\r\n"],
  ["an old annotation is replaced", "1/0//old result\n", "1/0//!Err:division by zero\n"],
  ["a line ending in '/' keeps a blank before its annotation", "1/\n", "1/ //!Err:missing operand\n"],
  ["a listing goes below its directive", "#cp\n1/0\n",
   "#cp\n// CP_ACP  :     932, 2,\"[#$81..#$9F,#$E0..#$FC]\",932   (ANSI/OEM - Japanese Shift-JIS)\n" +
   "// CP_OEMCP:     932, 2,\"[#$81..#$9F,#$E0..#$FC]\",932   (ANSI/OEM - Japanese Shift-JIS)\n" +
   "1/0//!Err:division by zero\n"],
  ["a converted program replaces the sheet", "#P2Js\nprogram p;\nbegin end.\n", "program p;\n{ }.\n", false],
];

for (const [name, sheet, written, again = true] of writeBackCases) {
  test(`write-back: ${name}`, () => {
    const got = engine.run(sheet, { writeBack: true });
    assert.equal(got.written, written);
    if (again) assert.equal(engine.run(got.written, { writeBack: true }).written, got.written);
  });
}

test("an error that ends the run gives the sheet back unchanged, the error on its line", () => {
  const sheet = "1/0\n#ScriptFile x\n1/0\n";
  const want = nativeFilter(sheet);
  const got = engine.run(sheet, { writeBack: true });
  assert.equal(got.status, 1);
  assert.equal(got.text, sheet);
  assert.equal(got.written, sheet);
  assert.equal(`sheetcalc: ${got.fatal}\n`, want.stderr);
  assert.deepEqual(got.errors.at(-1), [1, "'=' is missing after #ScriptFile"]);
  assert.equal(got.aborted, true);
});

test("every run is fresh: colours and stand-ins of one run are not the next one's", async () => {
  const sheet = "COLOR_WINDOW\n// 😀 \uE000\n";
  engine.run("COLOR_WINDOW = clRed\n// € \uE000\n");
  assert.equal(engine.run(sheet).text, (await factory()).run(sheet).text);
});

test("the help is the command line's", () => {
  const help = engine.help();
  assert.match(help, /^Usage: sheetcalc \[OPTION\]\.\.\. \[FILE\]\.\.\.\n/);
  assert.match(help, /\nBuilt-in functions:\n/);
});
