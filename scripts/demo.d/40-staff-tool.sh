# CafeCheck, the technicians' installation check, beside the programs in
# bin/ and pointed at the sample cafe of the Rundle step:
#   OUT/CafeCheck-report.txt   the report (UTF-8)
#   OUT/CafeCheck-report.zip   the report with Velora's and Rundle's logs
#   OUT/exit-code.txt          0 complete, 1 incomplete, 2 the tool failed
#   OUT/benchmark.txt          five full runs timed
# The check copies and starts nothing: the plan it shows is what Rundle did
# in the step before.
set -euo pipefail
cafe="$(dirname "$OUT")/rundle/cafe"
winpath() { printf 'Z:%s' "${1//\//\\}"; }
ini=$(winpath "$cafe/Rundle.ini")
out=$(winpath "$OUT")
rc=0
win "$BIN/CafeCheck.exe" --rundle-ini "$ini" --out "$out" >"$OUT/stdout.txt" 2>&1 || rc=$?
echo "$rc" >"$OUT/exit-code.txt"
# Without the byte-order mark that Notepad needs.
sed '1s/^\xEF\xBB\xBF//' "$OUT/CafeCheck-report.txt" | tr -d '\r'
echo "CafeCheck exit code: $rc"
unzip -l "$OUT/CafeCheck-report.zip" 2>/dev/null | sed 's/^/  /' || true
win "$BUILD/tests/cafecheck/cafecheck_benchmark.exe" "$(winpath "$BIN/CafeCheck.exe")" 5 \
  --rundle-ini "$ini" --out "$(winpath "$OUT/bench")" >"$OUT/benchmark.txt" 2>&1
tr -d '\r' <"$OUT/benchmark.txt"
