# Open time and peak memory against rows for the component, the limit and the peer, from the
# data files open_compare writes (--plot-data PREFIX). Use:
#   gnuplot -e "prefix='build/bench/data/open'; output='docs/performance-open.png'" bench/open_plot.gp
if (!exists("prefix")) prefix = 'build/bench/data/open'
if (!exists("output")) output = 'docs/performance-open.png'
list = prefix.'-list.dat'
batch = prefix.'-batch.dat'

set terminal pngcairo size 1200,900 font 'sans,10'
set output output
set logscale xy
set grid
set key top left
set format x '%.0s%c'
set style data linespoints
set style line 1 lc rgb '#d62728' lw 2 pt 7
set style line 2 lc rgb '#2ca02c' lw 2 pt 5
set style line 3 lc rgb '#1f77b4' lw 2 pt 9

set multiplot layout 2,2 title 'Opening a long list: whole processes, median of three runs'
set xlabel 'rows'
set ylabel 'wall time (s)'
set title 'Base-data list (class 18): time'
plot list u 1:2 ls 1 t 'ours', '' u 1:3 ls 2 t 'limit (SQLite C API)', '' u 1:4 ls 3 t 'peer (QSqlQueryModel)'
set title 'Batch picker, one item: time'
plot batch u 1:2 ls 1 t 'ours', '' u 1:3 ls 2 t 'limit (SQLite C API)', '' u 1:4 ls 3 t 'peer (QSqlQueryModel)'
set ylabel 'peak resident memory (MiB)'
set title 'Base-data list (class 18): peak memory'
plot list u 1:5 ls 1 t 'ours', '' u 1:6 ls 2 t 'limit (SQLite C API)', '' u 1:7 ls 3 t 'peer (QSqlQueryModel)'
set title 'Batch picker, one item: peak memory'
plot batch u 1:5 ls 1 t 'ours', '' u 1:6 ls 2 t 'limit (SQLite C API)', '' u 1:7 ls 3 t 'peer (QSqlQueryModel)'
unset multiplot
