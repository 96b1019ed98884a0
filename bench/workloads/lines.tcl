set f [open text.txt rb]; set d [read $f]; close $f
puts [expr {[llength [split [string map [list "\r\n" "\n"] $d] "\n"]] - 1}]
