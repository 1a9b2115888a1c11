# The Ferry: a ferryman wants three coins. Pay, swim, or haggle him down to two.
title: The Ferry
number: price = 3 (2 to 3)

== opening
A ferryman waits at the river.
"Three coins to cross," he says.
* Pay him -> pay
* Swim across -> swim
* Haggle -> haggle

== haggle
"Two coins," you offer.
[if visits to haggle >= 3]
He sighs. "Two, then."
[set price to 2]
[otherwise]
"Three," he says, and waits.
[end if]
* Pay him -> pay
[if price = 3]
* Haggle again -> haggle
[end if]
* Walk away -> walk

== pay
You count {price} coins
| into his hand.
[if price = 2]
One stays in your purse.
[end if]
Halfway over, the fog lifts.
(Ending: the far shore)
[end]

== swim
You wade into the cold river.
The current is stronger
| than it looked.
[new page]
You wake on a sandbank,
| far downstream.
(Ending: downstream)
[end]

== walk
You turn back to the bridge,
| a day's walk upriver.
(Ending: the long way round)
[end]
