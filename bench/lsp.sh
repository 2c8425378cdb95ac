#!/usr/bin/env bash
# The language server against its goals, with the filter beside it, in one run: a test client over
# pipes (`sheetcalc --lsp`, one running server) and `sheetcalc -` over the same text.
#   - didChange -> hints for a 60-line range at the edit, one character typed in the middle of a
#     100,000-line sheet (median and max) and of a 10,000-line sheet (median);
#   - 20 keys typed 10 ms apart at 100,000 lines: the last hints after the last key;
#   - the code action request at 100,000 lines: its time and the size of its answer;
#   - the server's peak memory against 3x the document's size + 10 MiB.
# The clock stops when the answer with the hints has been read; decoding it is the editor's work.
#
#   bench/lsp.sh [PATH/TO/sheetcalc] [--lines 100000] [--rounds 31]
set -u
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

lines=100000
rounds=31
binary=""
while [ $# -gt 0 ]; do
  case $1 in
    --lines) lines=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    *) binary=$1; shift ;;
  esac
done
SHEETCALC=$(find_sheetcalc "$binary") || exit 1
need python3
small=$((lines / 10))
for n in "$lines" "$small"; do
  python3 "$SHARED_BENCH/gen_sheet.py" "$n" --flavor sheet -o "$OUT_DIR/lsp-$n.sheet" || die "no workload generator"
done

python3 - "$SHEETCALC" "$OUT_DIR/lsp-$lines.sheet" "$OUT_DIR/lsp-$small.sheet" "$rounds" <<'PY'
import json, os, resource, statistics, subprocess, sys, time

program, big_path, small_path, rounds = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])

def filter_time(text):
    times = []
    for _ in range(3):
        start = time.perf_counter()
        subprocess.run([program, "-"], input=text.encode(), stdout=subprocess.DEVNULL, check=True)
        times.append(time.perf_counter() - start)
    return statistics.median(times)

class Server:
    def __init__(self, capabilities):
        self.proc = subprocess.Popen([program, "--lsp"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.next_id = 0
        self.request("initialize", {"capabilities": capabilities})
        self.send(dict(method="initialized", params={}))
    def send(self, message):
        body = json.dumps(dict(jsonrpc="2.0", **message)).encode()
        self.proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.proc.stdin.flush()
    def read_raw(self):
        length = 0
        while True:
            line = self.proc.stdout.readline()
            if line in (b"\r\n", b""):
                break
            if line.lower().startswith(b"content-length:"):
                length = int(line.split(b":")[1])
        return self.proc.stdout.read(length)
    def request_raw(self, method, params):
        self.next_id += 1
        self.send(dict(id=self.next_id, method=method, params=params))
        # The server writes members in name order: its answer starts with its id. Other messages
        # in between are passed over without decoding them.
        mine = b'{"id":%d,' % self.next_id
        while True:
            raw = self.read_raw()
            if raw.startswith(mine):
                return raw
    def request(self, method, params):
        return json.loads(self.request_raw(method, params))
    def peak_kib(self):
        with open("/proc/%d/status" % self.proc.pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
        return 0
    def close(self):
        self.request("shutdown", None)
        self.send(dict(method="exit"))
        self.proc.wait()

def open_sheet(server, path):
    text = open(path, encoding="utf-8").read()
    uri = "file://" + path
    server.send(dict(method="textDocument/didOpen",
                     params={"textDocument": {"uri": uri, "languageId": "sheetcalc", "version": 1, "text": text}}))
    return text, uri

def hint_range(middle):
    return {"start": {"line": middle - 30, "character": 0}, "end": {"line": middle + 30, "character": 0}}

def typing(server, uri, text, count, pause, version):
    """`count` keys typed at the end of the middle line, `pause` seconds apart; each answered by a
    request for the hints there. The times from each change to its hints."""
    lines = text.split("\n")
    middle = len(lines) // 2
    column = len(lines[middle].encode("utf-16-le")) // 2
    times = []
    for i in range(count):
        # "+1" and its removal in turn: the results below the line change, the sheet stays sound.
        if i % 2 == 0:
            change = {"range": {"start": {"line": middle, "character": column},
                                "end": {"line": middle, "character": column}}, "text": "+1"}
        else:
            change = {"range": {"start": {"line": middle, "character": column},
                                "end": {"line": middle, "character": column + 2}}, "text": ""}
        start = time.perf_counter()
        version += 1
        server.send(dict(method="textDocument/didChange",
                         params={"textDocument": {"uri": uri, "version": version}, "contentChanges": [change]}))
        if pause is None:
            server.request_raw("textDocument/inlayHint", {"textDocument": {"uri": uri}, "range": hint_range(middle)})
            times.append(time.perf_counter() - start)
        else:
            time.sleep(pause)
    return times, version, middle

results = {}
caps = {"textDocument": {"codeAction": {"resolveSupport": {"properties": ["edit"]}}}}

# 10,000 lines
server = Server(caps)
text, uri = open_sheet(server, small_path)
server.request("textDocument/inlayHint", {"textDocument": {"uri": uri}, "range": hint_range(10)})
times, _, _ = typing(server, uri, text, rounds, None, 1)
results["small_median"] = statistics.median(times)
server.close()
small_filter = filter_time(text)

# 100,000 lines
server = Server(caps)
text, uri = open_sheet(server, big_path)
server.request("textDocument/inlayHint", {"textDocument": {"uri": uri}, "range": hint_range(10)})
times, version, middle = typing(server, uri, text, rounds, None, 1)
results["big_median"], results["big_max"] = statistics.median(times), max(times)
# 20 keys 10 ms apart, then the hints after the last one.
_, version, middle = typing(server, uri, text, 20, 0.010, version)
start = time.perf_counter()
server.request_raw("textDocument/inlayHint", {"textDocument": {"uri": uri}, "range": hint_range(middle)})
results["burst"] = time.perf_counter() - start
# The code action where VS Code asks for it: at the cursor, on every move.
action_times, action_size = [], 0
for _ in range(rounds):
    start = time.perf_counter()
    raw = server.request_raw("textDocument/codeAction", {
        "textDocument": {"uri": uri},
        "range": {"start": {"line": middle, "character": 0}, "end": {"line": middle, "character": 0}},
        "context": {"diagnostics": []}})
    action_times.append(time.perf_counter() - start)
    action_size = len(raw)
results["action"], results["action_size"] = statistics.median(action_times), action_size
results["peak"] = server.peak_kib() * 1024
server.close()
big_filter = filter_time(text)
doc_size = len(text.encode())

MiB = 1 << 20
rows = [
    ("didChange -> hints, %d lines, median" % len(text.split("\n")), results["big_median"] * 1000, "ms", 5),
    ("didChange -> hints, %d lines, max" % len(text.split("\n")), results["big_max"] * 1000, "ms", 20),
    ("didChange -> hints, 10x fewer lines, median", results["small_median"] * 1000, "ms", 2),
    ("20 keys 10 ms apart: last hints after the last key", results["burst"] * 1000, "ms", 50),
    ("code action request, median", results["action"] * 1000, "ms", 2),
    ("code action answer size", results["action_size"] / 1024, "KiB", 1),
    ("peak memory", results["peak"] / MiB, "MiB", (3 * doc_size + 10 * MiB) / MiB),
]
print("%-52s %10s   %s" % ("figure", "measured", "goal"))
failed = 0
for name, value, unit, goal in rows:
    ok = value <= goal
    failed += not ok
    print("%-52s %7.2f %-3s  <= %.2f %s  %s" % (name, value, unit, goal, unit, "PASS" if ok else "FAIL"))
print("sheetcalc - (filter), the same texts: %.1f ms at %d lines, %.1f ms at %d lines (whole process)"
      % (big_filter * 1000, len(text.split("\n")), small_filter * 1000, len(open(small_path).read().split("\n"))))
sys.exit(1 if failed else 0)
PY
