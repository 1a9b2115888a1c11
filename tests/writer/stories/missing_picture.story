# A story whose picture is not there: check names the line, play says so in one line.
picture: nowhere.png
== a
Hello.
[end]
