# The soak's figures from its samples (CSV: seconds, resident kB, anonymous kB, frames per second, frame
# ms): the resident size every ten minutes, its least-squares slope over the second half of the run, the
# frame-time quartiles per ten minutes and the frame-time levels of the key phase's two halves. Lines
# starting "VIOLATION: " are failed checks. The fitted line and the levels go to plot_values as gnuplot
# assignments.
#
#   awk -F, -v keys_from=S -v rss_limit=PERCENT -v growth_limit=FACTOR -v plot_values=FILE \
#       -f soak-stats.awk samples.csv

NR > 1 {
  t[n] = $1
  rss[n] = $2
  ms[n] = $5
  n++
}

function sort(a, m,   i, j, v) {
  for (i = 1; i < m; i++) {
    v = a[i]
    for (j = i; j > 0 && a[j - 1] > v; j--) a[j] = a[j - 1]
    a[j] = v
  }
}

# Linear interpolation between the closest ranks of the sorted a[0..m-1].
function quantile(a, m, p,   h, i) {
  h = (m - 1) * p
  i = int(h)
  return i + 1 < m ? a[i] + (h - i) * (a[i + 1] - a[i]) : a[m - 1]
}

# Frame times of the samples from..to (seconds, to excluded) into a[], sorted; their count.
function frames(a, from, to,   i, m) {
  m = 0
  for (i = 0; i < n; i++)
    if (ms[i] != "" && t[i] >= from && t[i] < to) a[m++] = ms[i] + 0
  sort(a, m)
  return m
}

# Other work on the machine only ever slows frames down, and the title's whole frames per second make a
# single quantile jump by a step of several per cent: a half is judged by the mean of its faster half.
function fasterHalfMean(a, m,   i, k, sum) {
  k = int((m + 1) / 2)
  for (i = 0; i < k; i++) sum += a[i]
  return k ? sum / k : 0
}

END {
  if (n == 0) {
    print "VIOLATION: no samples"
    exit
  }
  last = t[n - 1]

  line = "resident size:  "
  for (mark = 1; mark * 60 <= last; mark = mark == 1 ? 10 : mark + 10)
    for (i = 0; i < n; i++)
      if (t[i] >= mark * 60) {
        line = line sprintf(" %d kB at %d min,", rss[i], mark)
        break
      }
  printf "%s %d kB at the end (%d s)\n", line, rss[n - 1], last

  # Least squares over the second half, about the means so that the sums stay small.
  from = last / 2
  m = 0
  sumT = sumR = 0
  for (i = 0; i < n; i++)
    if (t[i] >= from) {
      sumT += t[i]
      sumR += rss[i]
      m++
    }
  if (m < 3) {
    print "VIOLATION: fewer than 3 samples in the second half, nothing to fit"
    slope = 0
    meanT = meanR = 0
  } else {
    meanT = sumT / m
    meanR = sumR / m
    sTT = sTR = 0
    for (i = 0; i < n; i++)
      if (t[i] >= from) {
        sTT += (t[i] - meanT) ^ 2
        sTR += (t[i] - meanT) * (rss[i] - meanR)
      }
    slope = sTT > 0 ? sTR / sTT : 0
  }
  perHalfHour = slope * 1800
  percent = meanR > 0 ? perHalfHour * 100 / meanR : 0
  printf "                 second half (%d to %d s, %d samples): %+d kB per half hour, %+.2f %% of %d kB" \
    " (limit %s %%)\n", from, last, m, perHalfHour, percent, meanR, rss_limit
  if (percent > rss_limit)
    printf "VIOLATION: the resident size grows by %.2f %% per half hour over the second half (limit %s %%)\n",
      percent, rss_limit

  print "frame time:      quartiles per ten minutes (25 % / 50 % / 75 %), ms"
  # The last sample, taken when the time is up, belongs to the last ten minutes, not to a window of its own.
  for (from10 = 0; from10 < last; from10 += 600) {
    k = frames(q, from10, from10 + 600 < last ? from10 + 600 : last + 1)
    if (k > 0)
      printf "                 %2d-%2d min: %5.1f / %5.1f / %5.1f (%d samples)\n", from10 / 60,
        (from10 + 600 < last ? from10 + 600 : last) / 60, quantile(q, k, 0.25), quantile(q, k, 0.5),
        quantile(q, k, 0.75), k
  }

  mid = (keys_from + last) / 2
  k1 = frames(early, keys_from, mid)
  k2 = frames(late, mid, last + 1)
  e = fasterHalfMean(early, k1)
  l = fasterHalfMean(late, k2)
  printf "                 key phase, mean of the faster half: %.1f ms in its first half, %.1f ms in its" \
    " second (x%.3f, limit x%s)\n", e, l, (e > 0 ? l / e : 0), growth_limit
  if (k1 == 0 || k2 == 0)
    print "VIOLATION: no frame rate was shown in a half of the key phase"
  else if (l > e * growth_limit)
    printf "VIOLATION: frame time grew from %.1f ms to %.1f ms (limit x%s)\n", e, l, growth_limit

  # The plot's range for the resident size: from the first minute on, after the start-up's loading.
  low = high = rss[n - 1]
  for (i = 0; i < n; i++)
    if (t[i] >= 60 || t[n - 1] < 60) {
      if (rss[i] < low) low = rss[i]
      if (rss[i] > high) high = rss[i]
    }

  if (plot_values != "") {
    printf("rss_low = %d; rss_high = %d\n", low, high) > plot_values
    printf("fit_from = %f; fit_to = %f; fit_a = %f; fit_b = %f; fit_percent = %f\n", last / 2, last,
      meanR - slope * meanT, slope, percent) > plot_values
    printf("keys_from = %f; keys_mid = %f; keys_to = %f; early = %f; late = %f\n", keys_from, mid, last, e,
      l) > plot_values
  }
}
