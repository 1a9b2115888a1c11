# A story that keeps its reader's place: the browser test reloads it part way through.
title: A Kept <Place> & "Quotes"
keep place: yes
== start
The first line.
[new page]
The second page.
* Left -> left
* Right -> right
== left
Left it is.
[end]
== right
Right it is.
[new page]
Nearly there.
[end]
