#!/usr/bin/env bash
# The peer comparison on real worlds: Coin3D (coin_count) as the yardstick for
# the writer and for the lenient load's node counts.
#   bash bench/peer/compare.sh [WORLD...]     (default: /work/shared/corpus/*/*.wrl)
# For each world: Coin reads the original; `zebvrml print` and
# `zebvrml print --lenient` write it to temporary files that Coin reads in turn
# (the original's folder searched first, for EXTERNPROTO urls); the types of
# `zebvrml stats --json --lenient` are compared with Coin's counts on the
# original. Prints the summary and the differences grouped by kind.
# Builds zebvrml and coin_count in Release mode into build-peer, unless BUILD
# names a build folder that holds them (zebvrml, bench/coin_count).
# KEEP=DIR keeps every world's outputs (JSON lines, written worlds, messages).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${BUILD:-}" ]; then
  BUILD=$root/build-peer
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$root" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DZEBVRML2_TESTS=OFF "${launcher[@]}" >/dev/null
  cmake --build "$BUILD" -j"$(nproc 2>/dev/null || echo 2)" --target zebvrml coin_count >/dev/null
fi
zebvrml=$BUILD/zebvrml
coin=$BUILD/bench/coin_count
[ -x "$coin" ] || { echo "compare.sh: no $coin (is libcoin-dev installed?)" >&2; exit 2; }
[ $# -gt 0 ] || set -- /work/shared/corpus/*/*.wrl

work=${KEEP:-$(mktemp -d)}
mkdir -p "$work"
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
# Each world's outputs go to a numbered folder: world (its path), coin-*.json
# (coin_count on the original and on both written worlds), *.wrl and *.log
# (what zebvrml wrote and reported), *.status (zebvrml's exit status).
run() {  # name command...: zebvrml's output, messages and status in $out
  local name=$1 status=0
  shift
  timeout 300 "$zebvrml" "$@" >"$out/$name" 2>"$out/${name%.*}.log" || status=$?
  echo "$status" >"$out/${name%.*}.status"
}
count() {  # name file [dir]: coin_count's line, or a record of its crash
  local name=$1 line
  shift
  line=$(timeout 300 "$coin" "$@" 2>/dev/null) || true
  case $line in
    '{'*) echo "$line" ;;
    *) echo '{"read": false, "nodes": 0, "types": {}, "message": "coin_count ended abnormally"}' ;;
  esac >"$out/coin-$name.json"
}
i=0
for world in "$@"; do
  i=$((i + 1))
  out=$work/$i
  mkdir -p "$out"
  echo "$world" >"$out/world"
  count original "$world"
  run default.wrl print "$world"
  run lenient.wrl print --lenient "$world"
  count default "$out/default.wrl" "$(dirname "$world")"
  count lenient "$out/lenient.wrl" "$(dirname "$world")"
  run stats.json stats --json --lenient "$world"
done

"$zebvrml" types | awk '{print $2}' >"$work/builtins.txt"
python3 - "$work" "$i" <<'EOF'
import json, re, sys
def load(n):
    folder = f"{sys.argv[1]}/{n}/"
    text = lambda name: open(folder + name, errors="replace").read()
    r = {"world": text("world").rstrip("\n"), "stopped": "reading stopped here" in text("stats.log")}
    for kind in ("original", "default", "lenient"):
        r[kind] = json.loads(text(f"coin-{kind}.json"))
        r[kind + "_status"] = int(text(f"{kind}.status")) if kind != "original" else 0
        r[kind + "_log"] = text(f"{kind}.log") if kind != "original" else ""
    r["stats_status"] = int(text("stats.status"))
    try:
        r["ours"] = json.loads(text("stats.json"))
    except ValueError:
        r["ours"] = None
    return r
rows = [load(n) for n in range(1, int(sys.argv[2]) + 1)]
builtins = set(open(sys.argv[1] + "/builtins.txt").read().split())
def name(r):
    return "/".join(r["world"].split("/")[-2:])
def first_line(text):
    return text.splitlines()[0] if text else ""
def cause(r, t, ours, coin):
    if r["stats_status"] == 3:
        return "our lenient load ended through the fatal exit"
    if r["ours"] is None:
        return f"zebvrml stats ended abnormally (status {r['stats_status']})"
    if r["stopped"]:
        return "our lenient load stopped early (the counts are of the part read)"
    text = open(r["world"], "rb").read()
    declared = lambda keyword: re.search(keyword + rb"\s+" + re.escape(t.encode()) + rb"\b", text)
    if declared(rb"EXTERNPROTO") or (t not in builtins and not declared(rb"PROTO")
                                     and b"EXTERNPROTO" in text and coin > ours):
        return ("EXTERNPROTO instances (Coin names them after the PROTO their url leads to, "
                "we after the EXTERNPROTO)")
    if declared(rb"PROTO"):
        return "PROTO instances"
    inventor = "Coin's own node classes (Open Inventor) and their children"
    if t not in builtins:
        return "a type we keep leniently, counted otherwise by Coin" if ours > coin else inventor
    if coin > ours and any(u not in builtins and u not in r["ours"]["types"]
                           for u in r["original"]["types"]):
        return inventor
    return "built-in type: we count more" if ours > coin else "built-in type: Coin counts more"
read = [r for r in rows if r["original"]["read"]]
print(f"worlds: {len(rows)}; Coin reads {len(read)}")
for kind, command in (("default", "zebvrml print"), ("lenient", "zebvrml print --lenient")):
    back = [r for r in read if r[kind]["read"]]
    same = [r for r in back if r[kind]["types"] == r["original"]["types"]]
    print(f"  `{command}` output Coin reads: {len(back)} of {len(read)}; "
          f"with Coin's counts of the original: {len(same)}")
    for r in read:
        if not r[kind]["read"] and r[kind + "_status"] == 3:
            print(f"    not written (our load ended through the fatal exit): {name(r)}: "
                  f"{first_line(r[kind + '_log'])}")
        elif not r[kind]["read"]:
            print(f"    not read: {name(r)}: {first_line(r[kind]['message'])}")
        elif r[kind]["types"] != r["original"]["types"]:
            print(f"    other counts: {name(r)}: {r[kind]['nodes']} nodes, "
                  f"{r['original']['nodes']} in the original (zebvrml exit status {r[kind + '_status']})")
groups, agree = {}, 0
for r in read:
    ours = r["ours"]["types"] if r["ours"] else {}
    coin = r["original"]["types"]
    diff = [(t, ours.get(t, 0), coin.get(t, 0)) for t in sorted(set(ours) | set(coin))
            if ours.get(t, 0) != coin.get(t, 0)]
    agree += not diff
    for t, a, b in diff:
        groups.setdefault(cause(r, t, a, b), []).append(f"{name(r)}: {t} ours {a}, Coin {b}")
print(f"  `zebvrml stats --lenient` counts by type agree with Coin's: {agree} of {len(read)}")
for kind, lines in sorted(groups.items()):
    print(f"  {kind}: {len(lines)}")
    for line in lines:
        print(f"    {line}")
EOF
