# A copy as a browser or a password manager makes one: the text, and one more
# target beside it (the same as HTML, a mark that it is a password).
#   wish copy-with.tcl TEXT TARGET VALUE
# Keeps the copy on offer until it is ended.
wm withdraw .
clipboard clear
clipboard append -type UTF8_STRING -format UTF8_STRING -- [lindex $argv 0]
clipboard append -type [lindex $argv 1] -format UTF8_STRING -- [lindex $argv 2]
