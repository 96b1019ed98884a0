set f [open ja.txt r]; fconfigure $f -translation lf -encoding cp932; set d [read $f]; close $f
puts [string length $d]
