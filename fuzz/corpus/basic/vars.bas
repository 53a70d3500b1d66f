A$ = "CDE"
B$ = A$ + "FG" + A$
LET C$ = B$
PLAY C$
PLAY "L4C", "L8E", "G2"
PLAY ON: PLAY OFF: PLAY
SOUND 37!, 2#: SOUND F, 2
' comment "quote
PRINT "open
PLAY "MX"
