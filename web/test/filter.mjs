// `sheetcalc -` over the WebAssembly engine: a sheet (UTF-8) on standard input, the annotated text
// on standard output, an error that ends the run on standard error with exit status 1 (and the
// input given back unchanged), as the native filter does.
// Usage: node web/test/filter.mjs [ENGINE.js] < sheet
// ENGINE.js: the module (default: build/web/web/sheetcalc-engine.js, which the page holds too).
import { readFileSync, writeSync } from "node:fs";
import { createRequire } from "node:module";
import { dirname, resolve } from "node:path";
import { fileURLToPath } from "node:url";

const here = dirname(fileURLToPath(import.meta.url));
const enginePath = resolve(process.argv[2] ?? resolve(here, "../../build/web/web/sheetcalc-engine.js"));
const factory = createRequire(import.meta.url)(enginePath);
const engine = await factory();
const input = new Uint8Array(readFileSync(0));
let result;
try {
  result = engine.run(input);
} catch (e) {
  // A trap (the JavaScript engine's stack, say): the input goes back unchanged, as after any
  // error that ends a run.
  result = { status: 1, text: input, fatal: String(e && e.message ? e.message : e) };
}
for (let done = 0; done < result.text.length; )
  done += writeSync(1, result.text, done, result.text.length - done);
if (result.status !== 0) process.stderr.write(`sheetcalc: ${result.fatal}\n`);
process.exitCode = result.status;
