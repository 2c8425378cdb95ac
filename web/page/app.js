// The page: the sheet on the left, each line's result beside it, evaluated in a worker as the
// person types. The worker's script is a function (SheetcalcWorkerSource, from
// sheetcalc-worker.js) whose text becomes a blob, so that the page works opened from disk too,
// where no script can be fetched.
"use strict";
(function () {
  var StorageKey = "sheetcalc.sheet";
  var ThemeKey = "sheetcalc.theme";
  var sheet = document.getElementById("sheet");
  var marks = document.getElementById("marks");
  var resultsPane = document.getElementById("results");
  var status = document.getElementById("status");
  var current = document.getElementById("current");
  var help = document.getElementById("help");
  var helpToggle = document.getElementById("help-toggle");
  var themeButton = document.getElementById("theme");

  // What the results pane shows (the worker's packed rows, see worker.js), and for each line the
  // number of its row (-1: none).
  var rows = null;
  var rowOfLine = new Int32Array(0);
  var lineCount = 1;
  // Timings for the tests and the status line: when the newest text was typed, how long the
  // last one took to show, and the longest time the page's own handlers held the main thread.
  var stats = { typedAt: 0, shownAfter: 0, evaluated: 0, version: 0, shownVersion: 0, busiest: 0 };
  function timed(handler) {
    return function (event) {
      var started = performance.now();
      handler(event);
      stats.busiest = Math.max(stats.busiest, performance.now() - started);
    };
  }
  window.sheetcalcStats = stats;

  var worker = new Worker(URL.createObjectURL(new Blob(
      ["(" + SheetcalcWorkerSource.toString() + ")();"], { type: "text/javascript" })));
  var nextId = 1;
  var callbacks = new Map();
  var running = false;  // one evaluation at a time; typing meanwhile only asks for the newest
  var wanted = false;

  function request(kind, text, then) {
    var id = nextId++;
    callbacks.set(id, then);
    worker.postMessage({ id: id, kind: kind, text: text });
  }
  worker.onmessage = timed(function (event) {
    var then = callbacks.get(event.data.id);
    callbacks.delete(event.data.id);
    if (then) then(event.data);
  });

  function evaluate() {
    if (running) {
      wanted = true;
      return;
    }
    running = true;
    wanted = false;
    var version = stats.version;
    request("run", sheet.value, function (reply) {
      running = false;
      if (reply.error) showStatus("The engine stopped: " + reply.error);
      else show(reply.result, version);
      if (wanted) evaluate();
    });
  }

  function show(result, version) {
    rows = result.rows;
    lineCount = 1;
    for (var at = sheet.value.indexOf("\n"); at >= 0; at = sheet.value.indexOf("\n", at + 1)) ++lineCount;
    rowOfLine = new Int32Array(lineCount).fill(-1);
    for (var i = 0; i < rows.lines.length; ++i)
      if (rows.lines[i] < lineCount) rowOfLine[rows.lines[i]] = i;
    render();
    showCurrent();
    stats.shownVersion = version;
    stats.evaluated = result.milliseconds;
    if (version === stats.version) stats.shownAfter = performance.now() - stats.typedAt;
    var errors = result.errorCount;
    // The empty line after a final line break is no line of the sheet.
    var lines = lineCount - (sheet.value.endsWith("\n") ? 1 : 0);
    showStatus(lines + (lines === 1 ? " line" : " lines") + ", " +
               (errors === 0 ? "no errors" : errors + (errors === 1 ? " error" : " errors")) +
               (result.aborted ? " (the sheet stopped at the error: the command-line tool would leave it unchanged)" : ""));
    // Not in the announced text: a screen reader would read it out at every key.
    status.title = "Evaluated in " + (result.milliseconds < 1 ? "under 1 ms" : result.milliseconds.toFixed(0) + " ms");
  }

  // The result of the line the cursor is on, for those who do not see the pane (read out when it
  // changes) and for a glance.
  function showCurrent() {
    var line = 0;
    var end = sheet.selectionStart;
    for (var at = sheet.value.indexOf("\n"); at >= 0 && at < end; at = sheet.value.indexOf("\n", at + 1)) ++line;
    var i = rows && line < rowOfLine.length ? rowOfLine[line] : -1;
    var text = "Line " + (line + 1) + (i < 0 ? "" : ": " + rows.text.slice(rows.starts[i], rows.starts[i + 1]));
    if (current.textContent !== text) current.textContent = text;
  }

  function showStatus(text) {
    if (status.textContent !== text) status.textContent = text;
  }

  // Only the rows in view are in the document, so a sheet of any length renders at once.
  function rowHeight() {
    return parseFloat(getComputedStyle(sheet).lineHeight) || 22;
  }
  function titleOf(line) {
    var found = rows.titles.find(function (item) { return item[0] === line; });
    return found ? found[1] : "";
  }
  function render() {
    var height = rowHeight();
    var top = sheet.scrollTop;
    var first = Math.floor(top / height);
    var last = Math.min(lineCount, Math.ceil((top + sheet.clientHeight) / height) + 1);
    var resultRows = [];
    var markRows = [];
    var kinds = ["result", "error", "listing"];
    for (var line = first; line < last; ++line) {
      var i = line < rowOfLine.length ? rowOfLine[line] : -1;
      if (i < 0) continue;
      var text = rows.text.slice(rows.starts[i], rows.starts[i + 1]);
      var div = document.createElement("div");
      div.className = "row " + kinds[rows.kinds[i]];
      div.style.top = (line * height - top) + "px";
      div.textContent = text;
      div.setAttribute("role", "listitem");
      div.setAttribute("aria-label", "Line " + (line + 1) + ": " + text);
      div.dataset.line = String(line);
      if (rows.kinds[i] === 2) div.title = titleOf(line);
      resultRows.push(div);
    }
    if (rows) {
      rows.marked.forEach(function (line) {
        if (line < first || line >= last) return;
        var band = document.createElement("div");
        band.className = "row";
        band.style.top = (line * height - top) + "px";
        markRows.push(band);
      });
    }
    resultsPane.replaceChildren.apply(resultsPane, resultRows);
    marks.replaceChildren.apply(marks, markRows);
  }

  // Kept when typing pauses: writing a long sheet to storage at every key would hold up typing.
  var saveTimer = 0;
  function save() {
    clearTimeout(saveTimer);
    saveTimer = 0;
    try {
      localStorage.setItem(StorageKey, sheet.value);
    } catch (e) {
      // Storage full or switched off: the sheet still works, only not kept.
    }
  }
  sheet.addEventListener("input", timed(function () {
    stats.typedAt = performance.now();
    stats.version += 1;
    evaluate();
    clearTimeout(saveTimer);
    saveTimer = setTimeout(save, 300);
  }));
  window.addEventListener("pagehide", save);
  sheet.addEventListener("scroll", timed(render));
  document.addEventListener("selectionchange", function () {
    if (document.activeElement === sheet) showCurrent();
  });
  window.addEventListener("resize", render);
  resultsPane.addEventListener("wheel", function (event) {
    sheet.scrollTop += event.deltaY;
  }, { passive: true });

  function writeBack() {
    request("writeBack", sheet.value, function (reply) {
      if (reply.error) return showStatus("The engine stopped: " + reply.error);
      var written = reply.result.written;
      if (written === sheet.value) return showStatus("The results are in the text already.");
      // Through the editing command where there is one, so that undo takes the change back.
      sheet.focus();
      sheet.select();
      if (!document.execCommand || !document.execCommand("insertText", false, written)) {
        sheet.value = written;
        sheet.dispatchEvent(new Event("input"));
      }
      sheet.setSelectionRange(0, 0);
      sheet.scrollTop = 0;
    });
  }

  function copyAnnotated() {
    request("run", sheet.value, function (reply) {
      if (reply.error) return showStatus("The engine stopped: " + reply.error);
      var text = reply.result.text;
      var done = function () { showStatus("Copied the sheet with its results."); };
      if (navigator.clipboard && navigator.clipboard.writeText) {
        navigator.clipboard.writeText(text).then(done, function () { copyThroughSelection(text) && done(); });
      } else if (copyThroughSelection(text)) {
        done();
      }
    });
  }

  function copyThroughSelection(text) {
    var scratch = document.createElement("textarea");
    scratch.value = text;
    scratch.setAttribute("readonly", "");
    scratch.style.position = "fixed";
    scratch.style.opacity = "0";
    document.body.appendChild(scratch);
    scratch.select();
    var copied = false;
    try {
      copied = document.execCommand("copy");
    } catch (e) {
      copied = false;
    }
    scratch.remove();
    sheet.focus();
    if (!copied) showStatus("The browser did not allow copying.");
    return copied;
  }

  function toggleHelp(open) {
    var show = open === undefined ? help.hidden : open;
    help.hidden = !show;
    helpToggle.setAttribute("aria-expanded", String(show));
    if (show) help.focus();
    else helpToggle.focus();
  }
  help.tabIndex = -1;

  function applyTheme(theme) {
    var dark = theme ? theme === "dark" : matchMedia("(prefers-color-scheme: dark)").matches;
    if (theme) document.documentElement.dataset.theme = theme;
    themeButton.setAttribute("aria-pressed", String(dark));
    themeButton.textContent = dark ? "Light theme" : "Dark theme";
  }
  function toggleTheme() {
    var dark = themeButton.getAttribute("aria-pressed") === "true";
    var theme = dark ? "light" : "dark";
    try {
      localStorage.setItem(ThemeKey, theme);
    } catch (e) {}
    applyTheme(theme);
  }

  document.getElementById("write-back").addEventListener("click", writeBack);
  document.getElementById("copy").addEventListener("click", copyAnnotated);
  helpToggle.addEventListener("click", function () { toggleHelp(); });
  themeButton.addEventListener("click", toggleTheme);
  document.addEventListener("keydown", function (event) {
    // Letters by their place on the keyboard: Alt+C types another character on some systems.
    var key = event.key;
    if (event.ctrlKey && !event.shiftKey && key === "Enter") writeBack();
    else if (event.altKey && !event.ctrlKey && event.code === "KeyC") copyAnnotated();
    else if (event.ctrlKey && event.shiftKey && event.code === "KeyL") toggleTheme();
    else if (key === "F1") toggleHelp();
    else if (key === "Escape" && !help.hidden) toggleHelp(false);
    else return;
    event.preventDefault();
  });

  var stored = null;
  try {
    stored = localStorage.getItem(StorageKey);
    applyTheme(localStorage.getItem(ThemeKey));
  } catch (e) {
    applyTheme(null);
  }
  sheet.value = stored !== null ? stored : "price = 1200\ncount = 3\nprice * count\n1/0\nsqrt(2)\n";
  request("help", "", function (reply) {
    document.getElementById("help-text").textContent = reply.result || "";
  });
  evaluate();
  sheet.focus();
})();
