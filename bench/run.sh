#!/usr/bin/env bash
# The benchmark suite of hp: every measurement in one run, one table, and
# bench/results.json.
#
#   bash bench/run.sh BUILD_DIR      (./dev bench runs it on build-release)
#
# BUILD_DIR is a release build holding hp and the bench/*_bench programs.
# Each figure is a ratio against the cost that cannot be avoided, measured in
# the same run on the same machine, so that a loaded machine slows both sides:
#   schedule   the 360-line schedule / the bare text conversions it needs
#   register   the register's load (grid filled) / its query read to the end,
#              over 100,000 and 1,000,000 processings, on SQLite and (when its
#              programs are installed) on a throw-away PostgreSQL server
#   save       OK on the processing screen (24 lines) / the same rows written
#              by bare prepared statements in one transaction
#   web        wrk on loopback, 50 users (connections) for 20 s: the register
#              snapshot and Process Interest; requests per second, p50, p99,
#              errors; against an empty answer of the same server; and the
#              server's resident memory per signed-in session
#   paint      Chromium signs in and opens a register of 100,000 processings:
#              time to the first row drawn, and how many rows it was sent
#   demo       hp demo-db with 100,000 invoices: time and peak memory
# The judged ratios are of CPU time (wall-clock ratios are shown beside them):
# CPU time is what other work on the machine disturbs least.
#
# Needs python3, curl, wrk and /usr/bin/time (Debian packages python3, curl,
# wrk, time); a missing wrk or time is installed with apt-get.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD=${1:-build-release}
[[ $BUILD = /* ]] || BUILD=$ROOT/$BUILD
HP=$BUILD/hp
BENCH=$BUILD/bench
RESULTS=$ROOT/bench/results.json

USERS=${HP_BENCH_USERS:-50}          # wrk connections = signed-in sessions
WEB_SECONDS=${HP_BENCH_WEB_SECONDS:-20}
DEMO_INVOICES=${HP_BENCH_DEMO_INVOICES:-100000}
# A comma-separated subset of schedule,register,save,web,paint,demo (default: all);
# HP_BENCH_KEEP=1 keeps the working folder (outputs, server log) for a look.
ONLY=${HP_BENCH_ONLY:-schedule,register,save,web,paint,demo}
wanted() { [[ ",$ONLY," == *",$1,"* ]]; }

say() { printf '[bench %s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }
die() { say "error: $*"; exit 1; }

for f in "$HP" "$BENCH/schedule_bench" "$BENCH/register_bench" "$BENCH/save_bench"; do
  [ -x "$f" ] || die "$f is missing: build $BUILD in release mode first"
done
command -v python3 >/dev/null || die "python3 is needed"
command -v curl >/dev/null || die "curl is needed"
missing=()
command -v wrk >/dev/null || missing+=(wrk)
[ -x /usr/bin/time ] || missing+=(time)
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/hp-bench.XXXXXX")
SERVER_PID=
cleanup() {
  if [ -n "$SERVER_PID" ] && kill -0 "$SERVER_PID" 2>/dev/null; then
    kill -TERM "$SERVER_PID" 2>/dev/null || true
    wait "$SERVER_PID" 2>/dev/null || true
  fi
  if [ -n "${HP_BENCH_KEEP:-}" ]; then say "kept $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT
STARTED=$(date +%s)

# ---------------------------------------------------------------------------
# 1-3. The Google Benchmark programs, as JSON.

if wanted schedule; then
  say "schedule: 360-line schedule against its bare conversions"
  "$BENCH/schedule_bench" --benchmark_filter='BM_Schedule360|BM_Conversions' --benchmark_min_time=0.5 \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true --benchmark_format=json \
    >"$WORK/schedule.json" 2>"$WORK/schedule.err" || { cat "$WORK/schedule.err" >&2; die "schedule_bench failed"; }
fi

if wanted register; then
  say "register: fill over 100,000 and 1,000,000 processings against the query (fills its own files first)"
  "$BENCH/register_bench" --benchmark_format=json >"$WORK/register.json" 2>"$WORK/register.err" ||
    { cat "$WORK/register.err" >&2; die "register_bench failed"; }
  # The same on PostgreSQL, in a throw-away server, when its programs are here.
  if ls /usr/lib/postgresql/*/bin/initdb >/dev/null 2>&1 || command -v initdb >/dev/null; then
    say "register: the same on PostgreSQL"
    bash "$ROOT/tests/pg/with-postgres.sh" sh -c 'HP_BENCH_POSTGRES_URL=$HP_TEST_POSTGRES_URL exec "$1" --benchmark_filter=pg \
      --benchmark_out="$2" --benchmark_out_format=json' sh "$BENCH/register_bench" "$WORK/register-pg.json" \
      >"$WORK/register-pg.err" 2>&1 ||
      { cat "$WORK/register-pg.err" >&2; die "register_bench on PostgreSQL failed"; }
  fi
fi

if wanted save; then
  say "save: OK on a 24-line processing against bare prepared statements"
  "$BENCH/save_bench" --benchmark_format=json >"$WORK/save.json" 2>"$WORK/save.err" ||
    { cat "$WORK/save.err" >&2; die "save_bench failed"; }
fi

# ---------------------------------------------------------------------------
# 4. The web server under wrk.

json_get() {  # FILE PYTHON-EXPRESSION-OF-d
  python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); print(eval(sys.argv[2]))' "$1" "$2"
}
rss_kib() { awk '/^VmRSS:/ {print $2}' "/proc/$SERVER_PID/status"; }
settle_rss() { sleep 2; rss_kib; }

# The whole web part, run as one function: the server is stopped at its end.
web_part() {
say "web: demo database and server"
WEBDB=$WORK/web.db
"$HP" demo-db "$WEBDB" >"$WORK/web-demo.txt" 2>"$WORK/web-demo.err" || { cat "$WORK/web-demo.err" >&2; die "hp demo-db failed"; }
PASSWORD=$(awk '$1 == "demo" {print $2}' "$WEBDB.password")
PROCESS_DATE=$(sed -n 's/.*Processing date to sign in with: \([0-9-]*\);.*/\1/p' "$WORK/web-demo.txt")
[ -n "$PASSWORD" ] && [ -n "$PROCESS_DATE" ] || die "the demo database gave no user \"demo\" or no processing date"
python3 -c 'import json,sys; print(json.dumps({"user": "demo", "password": sys.argv[1]}))' "$PASSWORD" >"$WORK/signin-body.json"

"$HP" serve --database "$WEBDB" --listen 127.0.0.1:0 >"$WORK/serve.out" 2>"$WORK/serve.err" &
SERVER_PID=$!
PORT=
for _ in $(seq 1 300); do
  PORT=$(sed -n 's|.*open http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$WORK/serve.out")
  [ -n "$PORT" ] && break
  kill -0 "$SERVER_PID" 2>/dev/null || { cat "$WORK/serve.err" >&2; die "hp serve stopped"; }
  sleep 0.1
done
[ -n "$PORT" ] || die "hp serve did not say where it listens"
URL=http://127.0.0.1:$PORT

# post JAR CSRF PATH BODY OUT -> HTTP status
post() {
  curl -sS -b "$1" -c "$1" -H 'Content-Type: application/json' -H "X-CSRF-Token: $2" \
    --data-binary "$4" -o "$5" -w '%{http_code}' "$URL$3"
}

sign_in() {  # N: session N signs in; its cookie jar and CSRF token are kept
  local jar=$WORK/jar.$1 code
  code=$(curl -sS -c "$jar" -H 'Content-Type: application/json' --data-binary @"$WORK/signin-body.json" \
    -o "$WORK/signin.$1.json" -w '%{http_code}' "$URL/api/signin")
  [ "$code" = 200 ] || { cat "$WORK/signin.$1.json" >&2; return 1; }
  json_get "$WORK/signin.$1.json" 'd["csrf"]' >"$WORK/csrf.$1"
}

open_register() {  # N: the first company, every department, the year of the processing date
  local csrf body code
  csrf=$(cat "$WORK/csrf.$1")
  body=$(python3 - "$WORK/signin.$1.json" "$PROCESS_DATE" <<'EOF'
import json, sys
d = json.load(open(sys.argv[1]))
date = sys.argv[2]
c = d["companies"][0]
year = next((y["id"] for y in c["years"] if y["start"] <= date <= y["end"]), c["year"])
print(json.dumps({"company": c["id"], "department": 0, "financial": year, "date": date}))
EOF
)
  code=$(post "$WORK/jar.$1" "$csrf" /api/open "$body" "$WORK/answer.$1.json")
  [ "$code" = 200 ] || { cat "$WORK/answer.$1.json" >&2; return 1; }
  json_get "$WORK/answer.$1.json" 'd["state"]["windows"][-1]["name"]' | grep -qx FrmMaster
}

# N: from the register to the processing screen with a schedule processed:
# New, Processing, then the first department, customer and invoice that can
# be processed, and Process Interest. Each step is chosen from the state the
# last answer gave.
open_processing() {
  local csrf step next code
  csrf=$(cat "$WORK/csrf.$1")
  echo '{}' >"$WORK/tried.$1.json"
  for step in $(seq 1 80); do
    next=$(python3 - "$WORK/answer.$1.json" "$WORK/tried.$1.json" <<'EOF'
import json, sys
answer = json.load(open(sys.argv[1]))
tried = json.load(open(sys.argv[2]))
def emit(window, control, type_, item=-1):
    print(json.dumps({"window": window, "control": control, "type": type_, "item": item}))
    sys.exit(0)
state = answer.get("state") or {}
windows = state.get("windows") or []
if not windows:
    print("FAIL no window: " + json.dumps(answer)[:300]); sys.exit(0)
top = windows[-1]
if top.get("kind") == "msgbox":
    emit("$msgbox", top.get("defaultButton") or top["buttons"][0], "click")
controls = {c["name"]: c for c in top.get("controls", [])}
name = top.get("name")
if name == "FrmMaster":
    emit(name, "cmdNew", "click")
if name == "frmSelection":
    emit(name, "cmdOK", "click")
if name != "frmProcessing":
    print("FAIL unexpected window " + str(name)); sys.exit(0)
if len(controls["lvwProcessing"].get("rows", [])) > 0:
    print("DONE"); sys.exit(0)
def save():
    json.dump(tried, open(sys.argv[2], "w"))
dept, cust, inv = controls["cbodepartment"], controls["cboCustomer"], controls["cboInvoice"]
key = lambda *parts: "/".join(str(p) for p in parts)
# An invoice is chosen and can be processed.
if inv["index"] >= 0 and controls["cmdProcess"]["enabled"]:
    emit(name, "cmdProcess", "click")
# The next invoice of the chosen customer not tried yet.
if cust["index"] >= 0:
    for i in range(len(inv.get("items", []))):
        k = key("inv", dept["index"], cust["index"], i)
        if k not in tried:
            tried[k] = 1; save(); emit(name, "cboInvoice", "select", i)
# The next customer of the chosen department.
if dept["index"] >= 0:
    for i in range(len(cust.get("items", []))):
        k = key("cust", dept["index"], i)
        if k not in tried:
            tried[k] = 1; save(); emit(name, "cboCustomer", "select", i)
# The next department.
if dept["enabled"]:
    for i in range(len(dept.get("items", []))):
        k = key("dept", i)
        if k not in tried:
            tried[k] = 1; save(); emit(name, "cbodepartment", "select", i)
print("FAIL nothing left to process"); sys.exit(0)
EOF
)
    case "$next" in
      DONE) return 0 ;;
      FAIL*) say "session $1: $next"; return 1 ;;
    esac
    code=$(post "$WORK/jar.$1" "$csrf" /api/event "$next" "$WORK/answer.$1.json")
    [ "$code" = 200 ] || { say "session $1: $next answered $code: $(head -c 300 "$WORK/answer.$1.json")"; return 1; }
  done
  say "session $1: no schedule after 80 steps"
  return 1
}

# Runs FN N for N in FIRST..LAST, AT_ONCE at a time.
for_sessions() {
  local fn=$1 first=$2 last=$3 at_once=$4 n pids=() failed=0
  for n in $(seq "$first" "$last"); do
    "$fn" "$n" &
    pids+=($!)
    if [ ${#pids[@]} -ge "$at_once" ]; then
      wait "${pids[0]}" || failed=1
      pids=("${pids[@]:1}")
    fi
  done
  for p in "${pids[@]}"; do wait "$p" || failed=1; done
  return $failed
}

cookie_of() { awk '$6 == "hp_session" {print $7}' "$WORK/jar.$1"; }

server_cpu_ticks() { awk '{print $14 + $15}' "/proc/$SERVER_PID/stat"; }

# MODE SECONDS: one wrk run; the server's CPU time over it is kept beside
# wrk's output. With HP_BENCH_PERF set to a folder, the server is profiled
# (perf record) during the run into FOLDER/MODE.perf.
run_wrk() {
  say "web: wrk $1, $USERS connections, $2 s"
  local perf_pid= ticks
  if [ -n "${HP_BENCH_PERF:-}" ]; then
    mkdir -p "$HP_BENCH_PERF"
    perf record -q -e cpu-clock --call-graph dwarf,16384 -F 250 -p "$SERVER_PID" -o "$HP_BENCH_PERF/$1.perf" \
      >/dev/null 2>&1 &
    perf_pid=$!
  fi
  ticks=$(server_cpu_ticks)
  HP_WRK_MODE=$1 HP_WRK_SESSIONS=$WORK/sessions.txt HP_WRK_SAMPLES=$WORK/wrk-$1.samples \
    /usr/bin/time -f '%U %S' -o "$WORK/wrk-$1.client" wrk -t"$USERS" -c"$USERS" -d"$2"s --timeout 10s --latency -s "$ROOT/bench/web.lua" "$URL" \
    >"$WORK/wrk-$1.txt" 2>&1 || { cat "$WORK/wrk-$1.txt" >&2; die "wrk $1 failed"; }
  echo "$(( $(server_cpu_ticks) - ticks )) $(getconf CLK_TCK)" >"$WORK/wrk-$1.cpu"
  if [ -n "$perf_pid" ]; then kill -INT "$perf_pid" 2>/dev/null || true; wait "$perf_pid" 2>/dev/null || true; fi
}

# The server's empty answer first, with no session open.
run_wrk bare 10

# One session signed in and working first: what the server holds once, not
# per session, is then already there.
say "web: warming the server with one session"
sign_in 0 && open_register 0 && open_processing 0 || die "the first session could not reach the processing screen"
RSS_BEFORE=$(settle_rss)
say "web: signing in $USERS sessions (server at $((RSS_BEFORE / 1024)) MiB)"
# Four at a time: the server hashes four passwords at once.
for_sessions sign_in 1 "$USERS" 4 || die "a sign-in failed"
RSS_SIGNED_IN=$(settle_rss)
say "web: opening the register in each"
for_sessions open_register 1 "$USERS" 8 || die "a register did not open"
RSS_REGISTER=$(settle_rss)
: >"$WORK/sessions.txt"
for n in $(seq 1 "$USERS"); do echo "$(cookie_of "$n") $(cat "$WORK/csrf.$n")" >>"$WORK/sessions.txt"; done

run_wrk state "$WEB_SECONDS"

say "web: opening the processing screen in each session"
for_sessions open_processing 1 "$USERS" 8 || die "a session could not reach the processing screen"
RSS_PROCESSING=$(settle_rss)

run_wrk event "$WEB_SECONDS"
RSS_AFTER=$(rss_kib)

kill -TERM "$SERVER_PID" 2>/dev/null || true
wait "$SERVER_PID" 2>/dev/null || true
SERVER_PID=
cat >"$WORK/web.json" <<EOF
{"users": $USERS, "seconds": $WEB_SECONDS, "rss_before_kib": $RSS_BEFORE, "rss_signed_in_kib": $RSS_SIGNED_IN,
 "rss_register_kib": $RSS_REGISTER, "rss_processing_kib": $RSS_PROCESSING, "rss_after_event_kib": $RSS_AFTER,
 "server_errors": $(grep -c '\] \[error\]' "$WORK/serve.err" || true)}
EOF
}
if wanted web; then web_part; fi

# ---------------------------------------------------------------------------
# 4b. Time to first paint of a register of 100,000 processings in Chromium.

paint_part() {
say "paint: a demo database grown to $PAINT_ROWS processings in the first company"
local db=$WORK/paint.db port=
"$HP" demo-db "$db" >"$WORK/paint-demo.txt" 2>"$WORK/paint-demo.err" || { cat "$WORK/paint-demo.err" >&2; die "hp demo-db failed"; }
# The demo's own processings of company 1, copied under new identifiers and
# numbers (same dates, customers and invoices) until the register holds
# PAINT_ROWS of them.
python3 - "$db" "$PAINT_ROWS" <<'EOF2'
import sqlite3, sys
con = sqlite3.connect(sys.argv[1])
target = int(sys.argv[2])
cols = [r[1] for r in con.execute("pragma table_info(aHpProcessingHeader)")]
rows = con.execute("select * from aHpProcessingHeader where hphCompanyID = 1").fetchall()
have = len(rows)
next_id = con.execute("select max(hphProcessingID) from aHpProcessingHeader").fetchone()[0] + 1
ident, number = cols.index("hphProcessingID"), cols.index("hphProcessingNo")
insert = f"insert into aHpProcessingHeader ({','.join(cols)}) values ({','.join('?' * len(cols))})"
copies = []
for k in range(target - have):
    row = list(rows[k % have])
    row[ident], row[number] = next_id + k, f"{row[number]}-{k // have + 1}"
    copies.append(row)
con.executemany(insert, copies)
con.commit()
EOF2
"$HP" serve --database "$db" --listen 127.0.0.1:0 >"$WORK/paint-serve.out" 2>"$WORK/paint-serve.err" &
SERVER_PID=$!
for _ in $(seq 1 300); do
  port=$(sed -n 's|.*open http://127\.0\.0\.1:\([0-9]*\)/.*|\1|p' "$WORK/paint-serve.out")
  [ -n "$port" ] && break
  kill -0 "$SERVER_PID" 2>/dev/null || { cat "$WORK/paint-serve.err" >&2; die "hp serve stopped"; }
  sleep 0.1
done
[ -n "$port" ] || die "hp serve did not say where it listens"
[ -d "$ROOT/tests/browser/node_modules/playwright-core" ] || (cd "$ROOT/tests/browser" && npm ci --no-audit --no-fund >/dev/null)
say "paint: Chromium opens the register"
HP_URL=http://127.0.0.1:$port HP_USER=demo HP_PASSWORD=$(awk '$1 == "demo" {print $2}' "$db.password") \
  HP_DATE=$(sed -n 's/.*Processing date to sign in with: \([0-9-]*\);.*/\1/p' "$WORK/paint-demo.txt") \
  node "$ROOT/bench/first_paint.mjs" "$WORK/paint.json" 2>"$WORK/paint.err" || { cat "$WORK/paint.err" >&2; die "first paint failed"; }
kill -TERM "$SERVER_PID" 2>/dev/null || true
wait "$SERVER_PID" 2>/dev/null || true
SERVER_PID=
}
PAINT_ROWS=${HP_BENCH_PAINT_ROWS:-100000}
if wanted paint; then
  if [ -x /usr/bin/chromium ] && command -v node >/dev/null; then paint_part; else say "paint: skipped (no chromium or node)"; fi
fi

# ---------------------------------------------------------------------------
# 5. A demo database of 100,000 invoices.

if wanted demo; then
  say "demo: hp demo-db with $DEMO_INVOICES invoices"
  /usr/bin/time -v "$HP" demo-db "$WORK/demo-large.db" --invoices "$DEMO_INVOICES" \
    --customers $(( (DEMO_INVOICES + 2) / 3 )) >"$WORK/demo-large.txt" 2>"$WORK/demo-large.err" ||
    { tail -30 "$WORK/demo-large.err" >&2; die "hp demo-db failed"; }
fi

# ---------------------------------------------------------------------------
# The table.

TOTAL=$(( $(date +%s) - STARTED ))
python3 - "$WORK" "$RESULTS" "$TOTAL" "$DEMO_INVOICES" <<'EOF'
import json, os, re, sys
work, results_path, total, demo_invoices = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])

def benchmarks(name):
    data = json.load(open(f"{work}/{name}.json"))
    found = {}
    for b in data["benchmarks"]:
        if b.get("error_occurred"):
            raise SystemExit(f"{name}: {b['name']}: {b.get('error_message')}")
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        key = b.get("run_name", b["name"]).split("/iterations:")[0]
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
        found[key] = {"cpu_ms": b["cpu_time"] * scale, "real_ms": b["real_time"] * scale}
    return found, data.get("context", {})

rows = []
def ratio_row(name, measured, baseline, target, judge="cpu"):
    cpu = measured["cpu_ms"] / baseline["cpu_ms"]
    wall = measured["real_ms"] / baseline["real_ms"]
    judged = cpu if judge == "cpu" else wall
    rows.append({"name": name, "measured": measured, "baseline": baseline, "ratio": cpu, "wall_ratio": wall,
                 "judged": judge, "target": f"<= {target:g}x", "met": judged <= target})

def have(name):
    return os.path.exists(f"{work}/{name}")

context = {}
if have("schedule.json"):
    schedule, context = benchmarks("schedule")
    ratio_row("Schedule, 360 lines / its text conversions", schedule["BM_Schedule360"], schedule["BM_Conversions"],
              3)
if have("register.json"):
    register, context = benchmarks("register")
    for n in (100000, 1000000):
        ratio_row(f"Register fill, {n:,} processings / query read", register[f"BM_RegisterLoad/{n}"],
                  register[f"BM_RegisterQueryOnly/{n}"], 2)
if have("register-pg.json"):
    register, _ = benchmarks("register-pg")
    for n in (100000, 1000000):
        # The query's work is done by the server, in another process: only
        # the wall-clock ratio compares like with like here.
        ratio_row(f"Register fill on PostgreSQL, {n:,} processings / query read", register[f"BM_RegisterLoad/pg/{n}"],
                  register[f"BM_RegisterQueryOnly/pg/{n}"], 2, judge="wall")
if have("save.json"):
    save, context = benchmarks("save")
    for n, label in ((0, "empty register"), (10000, "10,000 processings"), (100000, "100,000 processings")):
        ratio_row(f"Save, 24 lines, {label} / bare inserts", save[f"BM_SaveThroughScreen/{n}"],
                  save[f"BM_BareInserts/{n}"], 2)

def percentile(values, p):
    values = sorted(values)
    if not values:
        return float("nan")
    k = max(0, min(len(values) - 1, int(round(p / 100 * len(values) + 0.5)) - 1))
    return values[k]

def wrk_run(mode, kinds=None):
    text = open(f"{work}/wrk-{mode}.txt").read()
    rps = float(re.search(r"Requests/sec:\s*([\d.]+)", text).group(1))
    socket_errors = sum(int(x) for x in re.findall(r"(?:connect|read|write|timeout) (\d+)", text))
    samples = []
    for line in open(f"{work}/wrk-{mode}.samples"):
        kind, status, us = line.split()
        samples.append((kind, int(status), float(us) / 1000))
    chosen = [s for s in samples if kinds is None or s[0] in kinds]
    ms = [s[2] for s in chosen]
    errors = sum(1 for s in chosen if s[1] != 200) + (socket_errors if kinds is None else 0)
    ticks, per_second = (int(x) for x in open(f"{work}/wrk-{mode}.cpu").read().split())
    client_s = sum(float(x) for x in open(f"{work}/wrk-{mode}.client").read().split()[-2:])
    return {"requests_per_s": rps, "requests": len(chosen), "p50_ms": percentile(ms, 50),
            "p99_ms": percentile(ms, 99), "errors": errors, "socket_errors": socket_errors,
            "server_cpu_ms_per_request": ticks * 1000 / per_second / len(samples),
            "client_cpu_ms_per_request": client_s * 1000 / len(samples)}

web = json.load(open(f"{work}/web.json")) if have("web.json") else None
users = web["users"] if web else 0
if web:
    bare = wrk_run("bare")
    # The server's CPU time is known per run, not per kind of request: the
    # rows of one kind of request show their latencies only.
    def web_row(name, m, whole=True):
        met = m["p99_ms"] < 50 and m["errors"] == 0
        rows.append({"name": name, "measured": m, "baseline": bare if whole else None,
                     "ratio": m["server_cpu_ms_per_request"] / bare["server_cpu_ms_per_request"] if whole else None,
                     "wall_ratio": m["p50_ms"] / bare["p50_ms"], "target": "p99 < 50 ms, no errors", "met": met})
    web_row("Web: register snapshot (GET /api/state)", wrk_run("state"))
    web_row("Web: Process Interest, both requests", wrk_run("event"))
    web_row("Web: Process Interest, the click (question)", wrk_run("event", {"click"}), False)
    web_row("Web: Process Interest, Yes (schedule laid out)", wrk_run("event", {"yes"}), False)
    for name, after in (("signed in", web["rss_signed_in_kib"]), ("register open", web["rss_register_kib"]),
                        ("processing screen open", web["rss_processing_kib"])):
        per = (after - web["rss_before_kib"]) / users / 1024
        rows.append({"name": f"Web: memory per session, {name}", "measured": {"mib": per, "rss_kib": after},
                     "baseline": {"rss_kib": web["rss_before_kib"]}, "ratio": None, "target": "< 2 MiB",
                     "met": per < 2})

if have("demo-large.err"):
    text = open(f"{work}/demo-large.err").read()
    def field(label):
        m = re.search(re.escape(label) + r":\s*(.+)", text)
        return m.group(1).strip() if m else ""
    wall = field("Elapsed (wall clock) time (h:mm:ss or m:ss)")
    seconds = sum(float(p) * 60 ** i for i, p in enumerate(reversed(wall.split(":"))))
    rows.append({"name": f"Demo database, {demo_invoices:,} invoices", "measured": {
        "seconds": seconds,
        "cpu_seconds": float(field("User time (seconds)")) + float(field("System time (seconds)")),
        "peak_rss_mib": int(field("Maximum resident set size (kbytes)")) / 1024}, "baseline": None,
        "ratio": None, "target": "(reported)", "met": None})

if have("paint.json"):
    paint = json.load(open(f"{work}/paint.json"))
    first = paint["runs"][0]
    # Met when the first screen came without the whole register: the answer
    # carries a window of rows around the top, not every row.
    rows.append({"name": f"Browser: first paint of the register, {first['rows']:,} processings", "measured": {
        "paint_ms": paint["median_ms"], "rows_sent": first["rows_sent"], "bytes": first["bytes"],
        "rows": first["rows"]}, "baseline": None, "ratio": None,
        "target": "first screen without every row", "met": first["rows_sent"] * 100 <= first["rows"]})

def show_measured(r):
    m = r["measured"]
    if "paint_ms" in m:
        return f"{m['paint_ms']:.0f} ms (median), {m['rows_sent']} rows sent, {m['bytes'] / 1024:.0f} KiB"
    if "cpu_ms" in m:
        return f"{m['cpu_ms']:.3f} ms" if m["cpu_ms"] < 10 else f"{m['cpu_ms']:.1f} ms"
    if "p99_ms" in m:
        whole = r["baseline"] is not None
        return ((f"{m['requests_per_s']:.0f} req/s, " if whole else "") +
                f"p50 {m['p50_ms']:.1f} ms, p99 {m['p99_ms']:.1f} ms, {m['errors']} err" +
                (f", server {m['server_cpu_ms_per_request']:.2f} ms CPU/req" if whole else ""))
    if "mib" in m:
        return f"{m['mib']:.2f} MiB ({m['rss_kib'] / 1024:.0f} MiB RSS)"
    if "seconds" in m:
        return f"{m['seconds']:.1f} s ({m['cpu_seconds']:.1f} s CPU), peak {m['peak_rss_mib']:.0f} MiB"
    return ""

def show_baseline(r):
    b = r["baseline"]
    if not b:
        return "-"
    if "cpu_ms" in b:
        return f"{b['cpu_ms']:.3f} ms" if b["cpu_ms"] < 10 else f"{b['cpu_ms']:.1f} ms"
    if "p50_ms" in b:
        return (f"empty answer: p50 {b['p50_ms']:.2f} ms, server {b['server_cpu_ms_per_request']:.3f} ms "
                f"CPU/req")
    if "rss_kib" in b:
        return f"{b['rss_kib'] / 1024:.0f} MiB RSS"
    return "-"

def show_ratio(r):
    if r["ratio"] is None:
        return "-"
    s = f"{r['ratio']:.2f}x"
    if "p50_ms" in r["measured"]:
        s += f" (p50 {r['wall_ratio']:.0f}x)"
    elif r.get("judged") == "wall":
        s = f"wall {r['wall_ratio']:.2f}x (CPU {r['ratio']:.2f}x)"
    elif "wall_ratio" in r:
        s += f" (wall {r['wall_ratio']:.2f}x)"
    return s

table = [("Measurement", "Measured", "Baseline", "Ratio", "Target", "Met?")]
for r in rows:
    met = "-" if r["met"] is None else ("yes" if r["met"] else "NO")
    table.append((r["name"], show_measured(r), show_baseline(r), show_ratio(r), r["target"], met))
widths = [max(len(row[i]) for row in table) for i in range(len(table[0]))]
lines = []
for i, row in enumerate(table):
    lines.append("  ".join(cell.ljust(widths[j]) for j, cell in enumerate(row)).rstrip())
    if i == 0:
        lines.append("  ".join("-" * w for w in widths))
print()
print("\n".join(lines))
load = open("/proc/loadavg").read().split()[:3]
if web and web["server_errors"]:
    print(f"\nThe server logged {web['server_errors']} errors during the web runs.")
print(f"\nRatios are of CPU time (wall-clock ratio in brackets), except on PostgreSQL, where the server's work "
      f"is in another process and the wall-clock ratio is judged. Web: latencies are wall clock with {users} "
      f"users; the ratio is of the server's CPU time per request against the empty answer's (in brackets, of the "
      f"p50 latencies). Load average {' '.join(load)} on {context.get('num_cpus', '?')} CPUs; whole run {total} s.")
json.dump({"rows": rows, "load_average": load, "seconds": total, "context": context, "web": web},
          open(results_path, "w"), indent=2)
print(f"Written: {results_path}")
EOF
