# The Ferry: a ferryman wants three coins. Pay, swim, or haggle until one of you gives in.
title: The Ferry

== opening
A ferryman waits at the river.
"Three coins to cross," he says.
* Pay him -> pay
* Swim across -> swim
* Haggle -> haggle

== haggle
"Two coins," you offer.
"Three," he says, and waits.
* Pay him -> pay
* Haggle again -> haggle
* Walk away -> walk

== pay
You count three coins
| into his hand.
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
