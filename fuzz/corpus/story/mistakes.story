== a
* x -> bb
[ned]
| y
== a
