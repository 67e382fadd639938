#pragma once

// Whether an X server has closed its end of one of this process's connections to it (the server went away,
// or it killed this client). Finds the connections among the open sockets by their peer, the server's socket
// "/tmp/.X11-unix/X<n>". Async-signal-safe: system calls only, no allocation, no Xlib.
bool xConnectionClosed();
