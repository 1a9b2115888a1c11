numbering: (1)
== a
\[x]
[empty line]
* one -> b
| two
== b
[new page]
[end]
