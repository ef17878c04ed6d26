#!/usr/bin/env bash
# Side by side: tavlori-report against the link checkers people use today
# (LinkChecker, hyperlink, linkinator) and a plain read of the same pages,
# on one site made by gensite for each size.
#
#   bench/peers.sh [SIZE...]          default sizes: 2000 20000 100000
#
# Environment:
#   BUILD_DIR      build folder for tavlori-report and gensite (build-peers)
#   PEERS_TIMEOUT  seconds one run may take before it is stopped (600)
#   PEERS_REPEAT   runs of tavlori-report and of the plain read; the median counts (5)
#   PEERS_WORK     folder for the generated sites (a new temporary folder, removed at the end)
#   PEERS_RESULTS  where the Markdown table goes (bench/peers-results.md)
#
# Every tool checks the same folder, offline: external links are not followed.
# Wall time is taken around each run; peak memory is GNU time's maximum
# resident set size of the run. The table is printed and written to
# PEERS_RESULTS.
set -euo pipefail

cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-build-peers}
TIMEOUT=${PEERS_TIMEOUT:-600}
REPEAT=${PEERS_REPEAT:-5}
RESULTS=${PEERS_RESULTS:-$ROOT/bench/peers-results.md}
PEERS_DIR=$ROOT/bench/.peers
HYPERLINK_VERSION=5.0.4
LINKINATOR_VERSION=7.6.1
if [ $# -gt 0 ]; then SIZES=("$@"); else SIZES=(2000 20000 100000); fi
# Smallest first: a peer that runs out of time is not run on larger sites.
mapfile -t SIZES < <(printf '%s\n' "${SIZES[@]}" | sort -n)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

say() { printf '%s\n' "$*" >&2; }

install_peers() {
    if ! command -v linkchecker >/dev/null || [ ! -x /usr/bin/time ]; then
        say "installing linkchecker and GNU time (apt)"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq linkchecker time >/dev/null
    fi
    local have_h have_l
    have_h=$(node -p "require('$PEERS_DIR/node_modules/hyperlink/package.json').version" 2>/dev/null || true)
    have_l=$(node -p "require('$PEERS_DIR/node_modules/linkinator/package.json').version" 2>/dev/null || true)
    if [ "$have_h" != "$HYPERLINK_VERSION" ] || [ "$have_l" != "$LINKINATOR_VERSION" ]; then
        say "installing hyperlink@$HYPERLINK_VERSION and linkinator@$LINKINATOR_VERSION (npm, into bench/.peers)"
        mkdir -p "$PEERS_DIR"
        [ -f "$PEERS_DIR/package.json" ] || echo '{"private": true}' >"$PEERS_DIR/package.json"
        npm install --prefix "$PEERS_DIR" --no-audit --no-fund --loglevel=error \
            "hyperlink@$HYPERLINK_VERSION" "linkinator@$LINKINATOR_VERSION" >/dev/null
    fi
}

build_tavlori() {
    if [ ! -f "$BUILD_DIR/build.ninja" ]; then
        cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
    fi
    cmake --build "$BUILD_DIR" --target tavlori-report gensite >/dev/null
    REPORT=$ROOT/$BUILD_DIR/src/report/tavlori-report
    GENSITE=$ROOT/$BUILD_DIR/bench/gensite
    [ -x "$REPORT" ] && [ -x "$GENSITE" ] || { say "tavlori-report or gensite was not built"; exit 1; }
}

# run_once OUT CMD...: runs CMD under GNU time and the timeout, stdout to OUT,
# stderr to OUT.err (both discarded when OUT is /dev/null); sets WALL (seconds, or "" after a timeout), RSS_KB and RC.
run_once() {
    local out=$1; shift
    local err=$out.err tf=$out.time start end
    if [ "$out" = /dev/null ]; then err=/dev/null tf=$WORK/null.time; fi
    start=$EPOCHREALTIME
    set +e
    /usr/bin/time -f '%e %M' -o "$tf" timeout "$TIMEOUT" "$@" >"$out" 2>"$err"
    RC=$?
    set -e
    end=$EPOCHREALTIME
    RSS_KB=$(tail -n 1 "$tf" | awk '{print $2}')
    if [ "$RC" -eq 124 ]; then WALL=""; else WALL=$(awk -v a="$start" -v b="$end" 'BEGIN{printf "%.3f", b-a}'); fi
}

# run_median OUT CMD...: REPEAT plain runs, WALL their median; then one run
# under GNU time for RSS_KB. A run under time and timeout costs two more
# process starts, which matters next to a run of a few tens of milliseconds.
run_median() {
    local out=$1; shift
    local err=$out.err walls=() i start end
    [ "$out" != /dev/null ] || err=/dev/null
    for ((i = 0; i < REPEAT; i++)); do
        start=$EPOCHREALTIME
        "$@" >"$out" 2>"$err" || true
        end=$EPOCHREALTIME
        walls+=("$(awk -v a="$start" -v b="$end" 'BEGIN{printf "%.4f", b-a}')")
    done
    run_once "$out" "$@"
    WALL=$(printf '%s\n' "${walls[@]}" | sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}')
}

# count_broken TOOL FILE: prints the broken links TOOL reported in FILE, then
# how many of them name a page (".htm" or ".HTM" in the URL), the only links
# Tavlori checks.
count_broken() {
    python3 - "$1" "$2" <<'PY'
import csv, json, sys
tool, path = sys.argv[1], sys.argv[2]
text = open(path, encoding="utf-8", errors="replace").read()
if tool == "tavlori":
    urls = [link for _, link in json.loads(text)["broken"]]
elif tool == "linkchecker":
    rows = csv.DictReader([l for l in text.splitlines() if not l.startswith("#")], delimiter=";")
    urls = [r["url"] or r["urlname"] for r in rows if r.get("valid") == "False"]
elif tool == "hyperlink":  # TAP: "not ok N <check> <url>"
    urls = [l.split()[-1] for l in text.splitlines() if l.startswith("not ok")]
else:  # linkinator --format json
    urls = [l["url"] for l in json.loads(text)["links"] if l["state"] == "BROKEN"]
print(len(urls), sum(1 for u in urls if ".htm" in u or ".HTM" in u))
PY
}

ROWS=()      # tool|pages|wall|mb|ratio|broken|broken to pages
NOTES=()
declare -A STOPPED=()   # peer -> the size at which it ran out of time
# add_row TOOL PAGES WALL RSS_KB "BROKEN TO_PAGES" TAVLORI_WALL: WALL is
# empty after a timeout and "skip" for a run left out.
add_row() {
    local tool=$1 pages=$2 wall=$3 rss=$4 base=$6 shown ratio mb broken topages
    read -r broken topages <<<"$5"
    : "${broken:=-}" "${topages:=-}"
    mb=$(awk -v k="$rss" 'BEGIN{printf "%.0f", k/1024}')
    if [ "$wall" = skip ]; then
        shown="> $TIMEOUT (not run)"; ratio="-"; mb="-"
    elif [ -z "$wall" ]; then
        shown="> $TIMEOUT"; ratio="> $(awk -v t="$TIMEOUT" -v b="$base" 'BEGIN{printf "%.0f", t/b}')"
    else
        shown=$(awk -v w="$wall" 'BEGIN{printf (w < 10 ? "%.3f" : "%.1f"), w}')
        ratio=$(awk -v w="$wall" -v b="$base" 'BEGIN{r=w/b; printf (r < 10 ? "%.2f" : "%.0f"), r}')
    fi
    ROWS+=("$tool|$pages|$shown|$mb|$ratio|$broken|$topages")
    printf '  %-12s %7s pages %9s s %6s MB  x%-7s broken %s (to pages %s)\n' \
        "$tool" "$pages" "$shown" "$mb" "$ratio" "$broken" "$topages" >&2
}

# run_peer NAME KIND OUT CMD...: one run of a peer on the current site; a
# peer that ran out of time on a smaller site is not run again.
run_peer() {
    local name=$1 kind=$2 out=$3; shift 3
    if [ -n "${STOPPED[$name]:-}" ]; then
        add_row "$name" "$PAGES" skip 0 "-" "$TAV_WALL"
        NOTES+=("$PAGES pages: $name not run; it ran out of time at ${STOPPED[$name]} pages")
        return
    fi
    run_once "$out" "$@"
    if [ -z "$WALL" ]; then
        STOPPED[$name]=$PAGES
        add_row "$name" "$PAGES" "" "$RSS_KB" "-" "$TAV_WALL"
        return
    fi
    add_row "$name" "$PAGES" "$WALL" "$RSS_KB" "$(count_broken "$kind" "$out" || echo '?')" "$TAV_WALL"
    FASTEST=$(awk -v a="${FASTEST:-$WALL}" -v b="$WALL" 'BEGIN{print (a < b ? a : b)}')
}

bench_size() {
    local n=$1 site=$WORK/site-$n out=$WORK/out-$n
    rm -rf "$site" "$out"; mkdir -p "$out"
    say "== $n pages: generating"
    "$GENSITE" "$site" "$n" >/dev/null
    chmod -R a+rX "$WORK"   # LinkChecker drops root rights and reads as nobody
    local pages
    pages=$(find "$site" -maxdepth 1 -type f -name '*.htm*' | wc -l)

    cat -- "$site"/*.htm* >/dev/null   # warm the page cache once before anything is timed

    local pages_list=("$site"/*.htm*)
    run_median /dev/null cat -- "${pages_list[@]}"
    local plain_wall=$WALL plain_rss=$RSS_KB

    run_median "$out/tavlori.json" "$REPORT" --json "$site"
    [ -n "$WALL" ] || { say "tavlori-report did not finish within $TIMEOUT s"; exit 1; }
    [ "$RC" -le 1 ] || { say "tavlori-report failed ($RC):"; cat "$out/tavlori.json.err" >&2; exit 1; }
    local tav_wall=$WALL tav_rss=$RSS_KB tav_broken
    tav_broken=$(count_broken tavlori "$out/tavlori.json")
    add_row "Tavlori" "$pages" "$tav_wall" "$tav_rss" "$tav_broken" "$tav_wall"
    add_row "plain read" "$pages" "$plain_wall" "$plain_rss" "-" "$tav_wall"

    FASTEST="" TAV_WALL=$tav_wall PAGES=$pages
    # LinkChecker: the folder's file:// URL; it lists the folder and checks
    # every file in it and every link it finds; external URLs are not checked
    # unless --check-extern is given.
    run_peer LinkChecker linkchecker "$out/linkchecker.csv" \
        linkchecker --no-status --no-warnings -o csv "file://$site/"

    # hyperlink: every page of the folder as an input, recursing within the
    # folder, internal links only.
    run_peer hyperlink hyperlink "$out/hyperlink.tap" \
        bash -c 'cd "$1" && exec "$2" --internal --recursive --root . *.htm*' \
        _ "$site" "$PEERS_DIR/node_modules/.bin/hyperlink"

    # linkinator: every page of the folder as a location (it serves the folder
    # on a loopback port), recursing; every http(s) URL that is not that
    # local server is skipped.
    run_peer linkinator linkinator "$out/linkinator.json" \
        bash -c 'cd "$1" && exec "$2" *.htm* --recurse --skip "^https?://(?!localhost|127\\.0\\.0\\.1)" --format json' \
        _ "$site" "$PEERS_DIR/node_modules/.bin/linkinator"
    if [ -s "$out/linkinator.json" ]; then
        local odd
        odd=$(jq '[.links[] | select(.state == "BROKEN" and .status != 404)] | length' "$out/linkinator.json" 2>/dev/null || echo "?")
        [ "$odd" = 0 ] || NOTES+=("$pages pages: $odd of linkinator's broken links did not answer 404 (its local server failed or timed out)")
    fi

    local peer_ratio="no peer finished" read_ratio
    [ -z "$FASTEST" ] || peer_ratio=$(awk -v f="$FASTEST" -v t="$tav_wall" 'BEGIN{printf "%.0f", f/t}')
    read_ratio=$(awk -v t="$tav_wall" -v p="$plain_wall" 'BEGIN{printf "%.2f", t/p}')
    local made
    made=$(awk '$1 == "broken" {print $2}' "$site/gensite.txt" 2>/dev/null || true)
    NOTES+=("$pages pages: gensite made ${made:-?} broken page links; Tavlori reported ${tav_broken%% *}")
    NOTES+=("$pages pages: fastest peer / Tavlori = $peer_ratio (goal >= 200); Tavlori / plain read = $read_ratio (goal <= 2)")
    rm -rf "$site"
}

write_results() {
    local table
    table=$(
        echo "| tool | pages | wall time (s) | peak memory (MB) | time / Tavlori | broken links reported | of them to pages |"
        echo "|---|---:|---:|---:|---:|---:|---:|"
        local r
        for r in "${ROWS[@]}"; do echo "| ${r//|/ | } |"; done
    )
    {
        echo "# Tavlori and other link checkers, side by side"
        echo
        echo "Generated by \`bench/peers.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'); do not edit by hand."
        echo
        echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(free -g | awk '/Mem:/{print $2}') GiB."
        echo "Tools: tavlori-report ($BUILD_DIR, ${BUILD_TYPE:-RelWithDebInfo}), $(linkchecker --version 2>/dev/null | head -n 1 | awk '{print "LinkChecker " $2}'),"
        echo "hyperlink $HYPERLINK_VERSION, linkinator $LINKINATOR_VERSION, node $(node --version)."
        echo "Tavlori and the plain read: median of $REPEAT runs; each peer: one run, stopped after $TIMEOUT s."
        echo "Warm page cache. Broken links are counted as each tool reports them (see bench/README.md)."
        echo
        echo "$table"
        echo
        local n
        for n in "${NOTES[@]}"; do echo "- $n"; done
    } >"$RESULTS"
    echo
    echo "$table"
    echo
    printf '%s\n' "${NOTES[@]}"
    echo
    echo "written to ${RESULTS#"$ROOT"/}"
}

# Page names go on one command line (the plain read, hyperlink, linkinator):
# a larger stack limit gives the argument list room for 100,000 names.
ulimit -s 1048576

install_peers
build_tavlori
if [ -n "${PEERS_WORK:-}" ]; then
    WORK=$PEERS_WORK; mkdir -p "$WORK"
else
    WORK=$(mktemp -d /tmp/tavlori-peers.XXXXXX)
    trap 'rm -rf "$WORK"' EXIT
fi
chmod 755 "$WORK"
for n in "${SIZES[@]}"; do
    bench_size "$n"
    write_results >/dev/null   # after each size, so a long run leaves what it measured
done
write_results
