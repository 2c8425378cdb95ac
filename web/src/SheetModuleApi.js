// The module's one function for the page, its worker and the tests (web/src/SheetModule.cpp has
// the calls behind it).
//
// run(sheet, {writeBack}) evaluates a sheet, a string or UTF-8 bytes (a Uint8Array), as a fresh
// run of `sheetcalc -` would and gives {status, text, written, lines, errors, listings, aborted,
// taken, fatal}: text is what the filter writes (in the form the sheet came in: a string or
// bytes), written the sheet with the results written into it (with writeBack only), lines,
// errors and listings arrays of [line, text] with lines counted from 0.
// help() gives the text of `sheetcalc --help`.
Module["run"] = function (sheet, options) {
  var asText = typeof sheet === "string";
  var bytes = asText ? new TextEncoder().encode(sheet) : sheet;
  var at = _malloc(bytes.length + 1);
  HEAPU8.set(bytes, at);
  var status;
  try {
    status = _SheetcalcRun(at, bytes.length, options && options.writeBack ? 1 : 0);
  } finally {
    _free(at);
  }
  if (status === 2) throw new Error("sheetcalc: out of memory");
  // A byte order mark in the text is the sheet's own: kept.
  var decoder = new TextDecoder("utf-8", { ignoreBOM: true });
  function take(data, size) {
    var copy = HEAPU8.slice(data, data + size);
    return asText ? decoder.decode(copy) : copy;
  }
  var result = JSON.parse(UTF8ToString(_SheetcalcDisplay()));
  result.status = status;
  result.text = take(_SheetcalcText(), _SheetcalcTextSize());
  if (options && options.writeBack) result.written = take(_SheetcalcWritten(), _SheetcalcWrittenSize());
  return result;
};
Module["help"] = function () {
  return UTF8ToString(_SheetcalcHelp());
};
