// The worker's side: the engine (SheetcalcModule, defined just above this in the same script)
// evaluates each sheet the page sends. A request is {id, kind: "run" | "writeBack" | "help", text};
// the reply is {id, kind, result} or {id, kind, error}.
var engine = null;
var waiting = [];

function answer(request) {
  var reply = { id: request.id, kind: request.kind };
  try {
    var started = performance.now();
    if (request.kind === "help") {
      reply.result = engine.help();
    } else {
      var result = engine.run(request.text, { writeBack: request.kind === "writeBack" });
      result.milliseconds = performance.now() - started;
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
