# The soak's plot: resident size and frame time over the run, with the least-squares line over the second
# half and the frame-time levels of the key phase's halves (scripts/soak-stats.awk computes them).
#   gnuplot -e "csv = 'FILE'; png = 'FILE'; tour = SECONDS" -e "load 'VALUES'" soak-plot.gp

set terminal pngcairo size 1200,900 font "sans,11"
set output png
set datafile separator ","
set key outside top center horizontal maxrows 1
set grid
set samples 1000
set multiplot layout 2,1 title sprintf("Soak run: the tour, then scripted keys (%s)", csv[strstrt(csv, "soak-"):])

# x in minutes; NaN outside a segment leaves it undrawn there.
segment(x, from, to, y) = (x * 60 >= from && x * 60 <= to) ? y : NaN
set xrange [0:fit_to / 60.0]
set arrow 1 from tour / 60.0, graph 0 to tour / 60.0, graph 1 nohead dashtype 2 linecolor rgb "gray40"
set label 1 "tour ends" at tour / 60.0, graph 0.05 offset 0.5,0

set ylabel "resident size (MiB)"
set format y "%.0f"
# From the first minute on: the start-up's smaller sizes would flatten what matters, the plateau.
set yrange [rss_low / 1024.0 * 0.98 : rss_high / 1024.0 * 1.01]
plot csv skip 1 using ($1 / 60):($2 / 1024) with linespoints pointtype 7 pointsize 0.4 linecolor rgb "#1f77b4" \
       title "resident size", \
     segment(x, fit_from, fit_to, (fit_a + fit_b * x * 60) / 1024) with lines linewidth 2 linecolor rgb "#d62728" \
       title sprintf("least-squares fit over the second half: %+.2f %% per half hour", fit_percent)

set xlabel "minutes since the window appeared"
set ylabel "frame time (ms)"
set yrange [0:*]
plot csv skip 1 using ($1 / 60):5 with points pointtype 7 pointsize 0.5 linecolor rgb "#2ca02c" \
       title "frame time (the title's rate over 100 frames)", \
     segment(x, keys_from, keys_mid, early) with lines linewidth 2 linecolor rgb "#9467bd" \
       title sprintf("mean of the faster half: %.1f ms, then %.1f ms", early, late), \
     segment(x, keys_mid, keys_to, late) with lines linewidth 2 linecolor rgb "#9467bd" notitle

unset multiplot
