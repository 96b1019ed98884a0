set n 100000
for {set i 1} {$i <= $n} {incr i} { dict set d key$i $i }
set sum 0
for {set i 1} {$i <= $n} {incr i} { incr sum [dict get $d key$i] }
if {$sum == $n * ($n + 1) / 2} { puts "ok $sum" } else { puts "NG $sum" }
