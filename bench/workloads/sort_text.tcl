set f [open nums.txt rb]; set d [read $f]; close $f
set l [lsort [lrange [split [string map [list "\r\n" "\n"] $d] "\n"] 0 end-1]]
set o [open out.txt wb]; puts -nonewline $o "[join $l "\r\n"]\r\n"; close $o
puts done
