set s ""
for {set i 0} {$i < 100000} {incr i} { append s "ab" }
puts [string length $s]
