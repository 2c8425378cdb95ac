// The worker's side: the engine (SheetcalcModule, defined just above this in the same script)
// evaluates each sheet the page sends. A request is {id, kind: "run" | "writeBack" | "help", text};
// the reply is {id, kind, result} or {id, kind, error}. A run's result also carries its rows for
// the results pane, packed (see packRows), so that the page takes a long sheet's results in
// without building them object by object while the person types.
var engine = null;
var waiting = [];

// What the pane shows beside each line: its result (kind 0), an error (1) or the first line of a
// listing (2), in line order: lines, kinds, and the texts one after another in text, the row i's
// from starts[i] to starts[i + 1]; titles: a listing's whole text by line; marked: the lines with
// an error.
function packRows(result) {
  var rows = new Map();
  result.lines.forEach(function (item) {
    rows.set(item[0], { text: "//" + item[1], kind: item[1].indexOf("!Err:") >= 0 ? 1 : 0 });
  });
  var titles = [];
  result.listings.forEach(function (item) {
    if (rows.has(item[0])) return;
    var lines = item[1].replace(/\n$/, "").split("\n");
    rows.set(item[0], { text: lines[0] + (lines.length > 1 ? "  (+" + (lines.length - 1) + " lines)" : ""), kind: 2 });
    titles.push([item[0], item[1]]);
  });
  var marked = new Int32Array(result.errors.length);
  result.errors.forEach(function (item, i) {
    marked[i] = item[0];
    var row = rows.get(item[0]);
    if (!row || row.kind !== 1) rows.set(item[0], { text: "\u26A0 " + item[1], kind: 1 });
  });
  var order = Array.from(rows.keys()).sort(function (a, b) { return a - b; });
  var packed = { lines: new Int32Array(order.length), kinds: new Uint8Array(order.length),
                 starts: new Int32Array(order.length + 1), text: "", titles: titles, marked: marked };
  var texts = [];
  var at = 0;
  order.forEach(function (line, i) {
    var row = rows.get(line);
    packed.lines[i] = line;
    packed.kinds[i] = row.kind;
    packed.starts[i] = at;
    texts.push(row.text);
    at += row.text.length;
  });
  packed.starts[order.length] = at;
  packed.text = texts.join("");
  return packed;
}

function answer(request) {
  var reply = { id: request.id, kind: request.kind };
  try {
    var started = performance.now();
    if (request.kind === "help") {
      reply.result = engine.help();
    } else {
      var result = engine.run(request.text, { writeBack: request.kind === "writeBack" });
      result.milliseconds = performance.now() - started;
      if (request.kind === "run") {
        result.rows = packRows(result);
        result.errorCount = result.errors.length;
        delete result.lines;
        delete result.listings;
        delete result.errors;
      }
      reply.result = result;
    }
  } catch (e) {
    // A trap leaves the module in no state to go on with: a fresh one for the next request.
    reply.error = String(e && e.message ? e.message : e);
    engine = null;
    start();
  }
  self.postMessage(reply);
}

function start() {
  SheetcalcModule().then(function (module) {
    engine = module;
    var queued = waiting;
    waiting = [];
    queued.forEach(answer);
  });
}

self.onmessage = function (event) {
  if (engine) answer(event.data);
  else waiting.push(event.data);
};
start();
