# Puts two runs of ntf_bench side by side: the 64-bit run's lines in the first file, the 32-bit
# run's in the second, line for line (the same program prints the same rows in the same order).
# A table row "| what | median | runs | note |" becomes "| what | x86_64 | i686 | runs | note |".
function trim(s) { gsub(/^ +| +$/, "", s); return s }
NR == FNR { a[FNR] = $0; na = FNR; next }
{ b[FNR] = $0; nb = FNR }
END {
  n = na > nb ? na : nb
  for (i = 1; i <= n; ++i) {
    x = a[i]; y = b[i]
    if (x == "| What | Median | Runs | Note |") { print "| What | x86_64 | i686 | Runs | Note |"; continue }
    if (x == "|---|---|---|---|") { print "|---|---|---|---|---|"; continue }
    if (split(x, f, "|") == 6 && split(y, g, "|") == 6 && trim(f[2]) == trim(g[2])) {
      note = trim(f[5]) == trim(g[5]) ? trim(f[5]) : "x86_64: " trim(f[5]) "; i686: " trim(g[5])
      runs = trim(f[4]) == trim(g[4]) ? trim(f[4]) : trim(f[4]) " / " trim(g[4])
      printf "| %s | %s | %s | %s | %s |\n", trim(f[2]), trim(f[3]), trim(g[3]), runs, note
      continue
    }
    if (x == y) { print x; continue }
    if (x != "") print "x86_64: " x
    if (y != "") print "i686: " y
  }
}
