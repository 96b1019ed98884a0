set f [open text.txt rb]; set d [read $f]; close $f
puts [string length [string map {apple orange} $d]]
