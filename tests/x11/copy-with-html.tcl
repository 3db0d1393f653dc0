# A copy as a browser makes one: the text, and the same as HTML beside it.
#   wish copy-with-html.tcl TEXT HTML
# Keeps the copy on offer until it is ended.
wm withdraw .
clipboard clear
clipboard append -type UTF8_STRING -format UTF8_STRING -- [lindex $argv 0]
clipboard append -type text/html -format UTF8_STRING -- [lindex $argv 1]
