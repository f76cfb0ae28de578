#!/usr/bin/env bash
# Runs a command while one Wine program stays open:
#     tools/with_wine_session.sh COMMAND [ARGUMENT ...]
# A Wine program started while no other runs first starts Wine's services, a
# second or more each time; the Windows unit tests start one program each.
# The program kept open says when Wine is up (so that the services are its
# children, not the command's), then reads a line from a pipe, and ends when
# the pipe is closed after the command.
set -u
coproc SESSION { wine cmd /c "echo up& set /p line=" 2>/dev/null; }
read -r -t 60 _ <&"${SESSION[0]}"
"$@"
status=$?
eval "exec ${SESSION[1]}>&-"
wait "$SESSION_PID" 2>/dev/null
exit "$status"
