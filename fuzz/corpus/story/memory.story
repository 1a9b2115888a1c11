number: coins = 2 (0 to 3)
flag: warned = off
== shop
[if visits to shop = 1]
Welcome.
[otherwise]
Back again.
[end if]
You have {coins} coins.
[if coins >= 1]
* Buy -> buy
[end if]
* Ask about the road -> road (once)
* Leave -> leave
== buy
[subtract 1 from coins]
Sold.
* Back -> shop
== road
[set warned on]
Wolves.
* Back -> shop
== leave
[if warned and coins < 2]
You take the long way.
[end if]
Bye.
[end]
