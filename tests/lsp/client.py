#!/usr/bin/env python3
"""End-to-end test of `sheetcalc --lsp`: a small client drives the real program over pipes.

    client.py SHEETCALC
"""
import json
import os
import subprocess
import sys
import threading

PROGRAM = sys.argv[1]
URI = "file:///tmp/first.sheet"
SHEET = "a=2\nb=a*3\nb+1\nfoo(\nsin(PI/6)\n"
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


class Client:
    def __init__(self):
        self.proc = subprocess.Popen([PROGRAM, "--lsp"], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.next_id = 1
        self.pending = []  # messages read but not yet asked for
        # No read may wait for ever: a server that stops answering fails the test.
        self.timer = threading.Timer(60, self.proc.kill)
        self.timer.start()

    def write(self, raw):
        self.proc.stdin.write(raw)
        self.proc.stdin.flush()

    def send(self, message):
        body = json.dumps(dict(jsonrpc="2.0", **message)).encode()
        self.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)

    def read(self):
        length = None
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise EOFError("the server closed its output")
            if line == b"\r\n":
                break
            name, _, value = line.decode().partition(":")
            if name.lower() == "content-length":
                length = int(value)
        return json.loads(self.proc.stdout.read(length))

    def request(self, method, params=None):
        rid = self.next_id
        self.next_id += 1
        self.send(dict(id=rid, method=method, params=params))
        return self.wait(lambda m: m.get("id") == rid and "method" not in m)

    def notify(self, method, params):
        self.send(dict(method=method, params=params))

    def wait(self, wanted):
        for m in self.pending:
            if wanted(m):
                self.pending.remove(m)
                return m
        while True:
            m = self.read()
            if wanted(m):
                return m
            if m.get("method") == "workspace/inlayHint/refresh":
                self.send(dict(id=m["id"], result=None))
            self.pending.append(m)

    def diagnostics(self):
        m = self.wait(lambda m: m.get("method") == "textDocument/publishDiagnostics")
        return m["params"]["diagnostics"]


def hints(client):
    r = client.request("textDocument/inlayHint", {
        "textDocument": {"uri": URI},
        "range": {"start": {"line": 0, "character": 0}, "end": {"line": 100, "character": 0}}})
    return {h["position"]["line"]: h["label"] for h in r["result"]}


def filter_output(text):
    return subprocess.run([PROGRAM, "-"], input=text.encode(), capture_output=True).stdout.decode()


def apply_edits(text, edits):
    """The text with the edits applied (positions in UTF-16 units of LF-separated lines)."""
    lines = text.split("\n")
    def offset(p):
        before = sum(len(l) + 1 for l in lines[:p["line"]])
        line = lines[p["line"]] if p["line"] < len(lines) else ""
        return before + len(line.encode("utf-16-le")[:2 * p["character"]].decode("utf-16-le"))
    for e in sorted(edits, key=lambda e: offset(e["range"]["start"]), reverse=True):
        start, end = offset(e["range"]["start"]), offset(e["range"]["end"])
        text = text[:start] + e["newText"] + text[end:]
    return text


def session():
    c = Client()
    init = c.request("initialize", {"processId": os.getpid(), "rootUri": None, "capabilities": {
        "workspace": {"inlayHint": {"refreshSupport": True}}}})
    caps = init["result"]["capabilities"]
    check(caps.get("inlayHintProvider") and caps["textDocumentSync"]["change"] == 2,
          "initialize: capabilities %r" % caps)
    check(caps.get("positionEncoding") == "utf-16", "utf-16 positions without an offer of utf-8")
    c.notify("initialized", {})
    c.notify("textDocument/didOpen", {"textDocument": {
        "uri": URI, "languageId": "sheetcalc", "version": 1, "text": SHEET}})
    diags = c.diagnostics()
    check([d["range"]["start"]["line"] for d in diags] == [3] and diags[0]["severity"] == 1,
          "one error diagnostic on line 4: %r" % diags)
    h = hints(c)
    check(h.get(2) == "  7" and h.get(4) == "0.500000000",
          "hints '  7' on line 3 and '0.500000000' on line 5: %r" % h)
    check(0 not in h and 1 not in h, "no hint on a plain assignment: %r" % h)

    c.notify("textDocument/didChange", {
        "textDocument": {"uri": URI, "version": 2},
        "contentChanges": [{"range": {"start": {"line": 2, "character": 2},
                                      "end": {"line": 2, "character": 3}}, "text": "2"}]})
    c.diagnostics()
    refresh = c.wait(lambda m: m.get("method") == "workspace/inlayHint/refresh")
    c.send(dict(id=refresh["id"], result=None))
    check(hints(c).get(2) == "  8", "b+1 changed to b+2 gives '  8'")

    changed = SHEET.replace("b+1", "b+2")
    r = c.request("textDocument/codeAction", {
        "textDocument": {"uri": URI},
        "range": {"start": {"line": 0, "character": 0}, "end": {"line": 0, "character": 0}},
        "context": {"diagnostics": []}})
    edits = r["result"][0]["edit"]["changes"][URI] if r.get("result") else []
    check(apply_edits(changed, edits) == filter_output(changed),
          "the code action's edits give the filter's output: %r" % edits)

    c.notify("textDocument/didChange", {"textDocument": {"uri": URI, "version": 3},
                                        "contentChanges": [{"text": changed + "Hyp"}]})
    r = c.request("textDocument/completion", {"textDocument": {"uri": URI},
                                              "position": {"line": 5, "character": 3}})
    labels = [i["label"] for i in r["result"]["items"]]
    check("Hypot" in labels, "Hyp completes to Hypot: %r" % labels)

    # Protocol errors: the server answers each and goes on serving.
    c.write(b"Content-Length: 9\r\n\r\n{nonsense")
    m = c.wait(lambda m: "error" in m and m.get("id") is None)
    check(m["error"]["code"] == -32700, "malformed JSON answered with a parse error: %r" % m)
    r = c.request("sheet/unknown", {})
    check(r.get("error", {}).get("code") == -32601, "unknown method: %r" % r)
    r = c.request("textDocument/inlayHint", {
        "textDocument": {"uri": "file:///never/opened.sheet"},
        "range": {"start": {"line": 0, "character": 0}, "end": {"line": 1, "character": 0}}})
    check(r.get("error", {}).get("code") == -32602, "a document never opened: %r" % r)
    check(hints(c).get(2) == "  8", "still serving after the errors")

    r = c.request("shutdown")
    check("result" in r and r["result"] is None, "shutdown answered with null")
    c.notify("exit", None)
    c.proc.stdin.close()
    code = c.proc.wait()
    c.timer.cancel()
    check(code == 0, "exit after shutdown ends with status 0, not %r" % code)


try:
    session()
except Exception as e:  # a server that died or stopped answering
    failures.append(repr(e))
    print("FAIL:", repr(e), file=sys.stderr)
print("lsp client: %d failure(s)" % len(failures))
sys.exit(1 if failures else 0)
