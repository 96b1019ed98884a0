set c 0
proc add {} { global c; set c [expr {$c + 1}] }
for {set i 0} {$i < 100000} {incr i} { add }
puts $c
