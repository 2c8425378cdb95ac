#!/usr/bin/env bash
# The language server against the filter: the median time from a change of a 10,000-line sheet to
# its inlay hints (`sheetcalc --lsp`, one running server, a one-character edit each round) against
# the median time of `sheetcalc -` over the same text (a whole process each round), in one run.
# Target: the server at most 1.5 times the filter; the filter runs over the text as it stands after
# each change. The clock stops when the answer with the hints
# has been read; decoding it is the editor's work and is left out.
#
#   bench/lsp.sh [PATH/TO/sheetcalc] [--lines 10000] [--rounds 21]
set -u
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

lines=10000
rounds=21
binary=""
while [ $# -gt 0 ]; do
  case $1 in
    --lines) lines=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    -h|--help) sed -n '2,7p' "$0"; exit 0 ;;
    *) binary=$1; shift ;;
  esac
done
SHEETCALC=$(find_sheetcalc "$binary") || exit 1
need python3
sheet=$OUT_DIR/lsp-$lines.sheet
python3 "$SHARED_BENCH/gen_sheet.py" "$lines" --flavor sheet -o "$sheet" || die "no workload generator"

python3 - "$SHEETCALC" "$sheet" "$rounds" <<'PY'
import json, statistics, subprocess, sys, time

program, path, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
text = open(path, encoding="utf-8").read()
uri = "file://" + path

def filter_once(sheet):
    start = time.perf_counter()
    subprocess.run([program, "-"], input=sheet.encode(), stdout=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start

proc = subprocess.Popen([program, "--lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
next_id = 0
def send(message):
    body = json.dumps(dict(jsonrpc="2.0", **message)).encode()
    proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
    proc.stdin.flush()
def read_raw():
    length = 0
    while True:
        line = proc.stdout.readline()
        if line in (b"\r\n", b""):
            break
        if line.lower().startswith(b"content-length:"):
            length = int(line.split(b":")[1])
    return proc.stdout.read(length)
def request_raw(method, params):
    global next_id
    next_id += 1
    send(dict(id=next_id, method=method, params=params))
    # The server writes members in name order: its answer starts with its id. Notifications in
    # between are passed over without decoding them.
    mine = b'{"id":%d,' % next_id
    while True:
        raw = read_raw()
        if raw.startswith(mine):
            return raw
def request(method, params):
    return json.loads(request_raw(method, params))

request("initialize", {"capabilities": {}})
send(dict(method="initialized", params={}))
send(dict(method="textDocument/didOpen",
          params={"textDocument": {"uri": uri, "languageId": "sheetcalc", "version": 1, "text": text}}))
whole = {"start": {"line": 0, "character": 0}, "end": {"line": 10**6, "character": 0}}
request("textDocument/inlayHint", {"textDocument": {"uri": uri}, "range": whole})

server, filt = [], []
for i in range(rounds):
    # "+1" typed at the end of the first line (an assignment the rest depends on) and taken
    # away again, in turn: every result below changes, the sheet stays free of errors.
    first = text.split("\n", 1)[0]
    end = len(first.encode("utf-16-le")) // 2
    edit = ({"start": {"line": 0, "character": end}, "end": {"line": 0, "character": end}}, "+1") if i % 2 == 0 \
        else ({"start": {"line": 0, "character": end}, "end": {"line": 0, "character": end + 2}}, "")
    start = time.perf_counter()
    send(dict(method="textDocument/didChange",
              params={"textDocument": {"uri": uri, "version": i + 2},
                      "contentChanges": [{"range": edit[0], "text": edit[1]}]}))
    raw = request_raw("textDocument/inlayHint", {"textDocument": {"uri": uri}, "range": whole})
    server.append(time.perf_counter() - start)
    hints = json.loads(raw)["result"]
    current = text.replace(first, first + "+1", 1) if i % 2 == 0 else text
    filt.append(filter_once(current))
request("shutdown", None)
send(dict(method="exit"))
proc.wait()

s, f = statistics.median(server), statistics.median(filt)
lines = text.count("\n")
print("lines %d, rounds %d, hints in the last round %d" % (lines, rounds, len(hints)))
print("change to hints (server)  median %7.1f ms" % (s * 1000))
print("sheetcalc - (filter)      median %7.1f ms" % (f * 1000))
print("ratio server/filter       %.2f" % (s / f))
print("%s: server at most 1.5x the filter" % ("PASS" if s <= 1.5 * f else "FAIL"))
PY
