#!/usr/bin/env python3
"""Writes one framed language-server session per sheet (open, a change, every request), as seeds
for the fuzz target lsp.

    lsp_sessions.py OUTDIR SHEET...
"""
import json
import os
import sys


def frame(message):
    body = json.dumps(message).encode()
    return b"Content-Length: %d\r\n\r\n" % len(body) + body


def session(text):
    uri = "file:///seed.sheet"
    doc = {"uri": uri}
    whole = {"start": {"line": 0, "character": 0}, "end": {"line": 1000, "character": 0}}
    at = {"line": 1, "character": 2}
    messages = [
        {"id": 1, "method": "initialize", "params": {"capabilities": {}}},
        {"method": "initialized", "params": {}},
        {"method": "textDocument/didOpen",
         "params": {"textDocument": dict(doc, languageId="sheetcalc", version=1, text=text)}},
        {"method": "textDocument/didChange",
         "params": {"textDocument": doc, "contentChanges": [{"range": {"start": at, "end": at}, "text": "1+"}]}},
        {"id": 2, "method": "textDocument/inlayHint", "params": {"textDocument": doc, "range": whole}},
        {"id": 3, "method": "textDocument/hover", "params": {"textDocument": doc, "position": at}},
        {"id": 4, "method": "textDocument/completion", "params": {"textDocument": doc, "position": at}},
        {"id": 5, "method": "textDocument/codeAction", "params": {"textDocument": doc, "range": whole}},
        {"id": 6, "method": "shutdown"},
        {"method": "exit"},
    ]
    return b"".join(frame(dict(jsonrpc="2.0", **m)) for m in messages)


out = sys.argv[1]
for path in sys.argv[2:]:
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()[:8000]
    with open(os.path.join(out, "session-" + os.path.basename(path)), "wb") as f:
        f.write(session(text))
