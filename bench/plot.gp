# Values per second against processes, from the CSV that `qgen_load throughput
# --csv` writes:  gnuplot -e "csv='throughput.csv'; png='throughput.png'" bench/plot.gp
if (!exists("csv")) csv = 'throughput.csv'
if (!exists("png")) png = 'throughput.png'
if (!exists("title")) title = 'Values per second drawn from one sequence'
set terminal pngcairo size 800,600 font ",11" noenhanced
set output png
set datafile separator ','
set title title
set xlabel 'processes drawing at once'
set ylabel 'values per second (all processes together)'
set logscale x 2
set logscale y 10
set xtics (1, 2, 4, 8, 16, 32)
set xrange [0.8:40]
set grid xtics ytics mytics
set key below horizontal maxcols 2 spacing 1.2
set style data linespoints
# One series per database and method, picked out of the CSV by its first two fields.
series(db, method) = sprintf("< grep '^%s,%s,' '%s'", db, method, csv)
plot \
  series('sqlite', 'tgen') using 3:6 title 'SQLite: TGenerator' lw 2 pt 7 lc rgb '#1f77b4', \
  series('sqlite', 'counter') using 3:6 title 'SQLite: counter row (baseline)' dt 2 lw 2 pt 5 lc rgb '#1f77b4', \
  series('postgresql', 'tgen') using 3:6 title 'PostgreSQL: TGenerator' lw 2 pt 7 lc rgb '#d62728', \
  series('postgresql', 'counter') using 3:6 title 'PostgreSQL: counter row (baseline)' dt 2 lw 2 pt 5 lc rgb '#d62728', \
  series('postgresql', 'nextval') using 3:6 title 'PostgreSQL: nextval() (gaps allowed)' dt 3 lw 2 pt 9 lc rgb '#7f7f7f'
