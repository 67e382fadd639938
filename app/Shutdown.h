#pragma once

// Every way out of the show other than Escape and its end (endShow) comes through here: a termination signal,
// the window closed, the display lost. Each ends the process the same orderly way: the music stopped and closed
// and the sound device closed, so no thread of the sound layer runs, before any exit handler or static
// destructor; then exit with the way's status. The first way out decides the status.
//
// Statuses: 0 window closed; 1 display lost or unusable; 128 + N signal N (SIGHUP 129, SIGINT 130, SIGTERM 143).

// Installs the signal handling, first thing in main: SIGPIPE ignored (a write to a dead X connection fails
// instead of killing the process); SIGINT, SIGTERM and SIGHUP recorded as a request to end with 128 + signal,
// which the main loop acts on; and the hard limit, which ends the process with the first way out's status a
// second after it (longer in the sanitizer build) if the orderly shutdown has not finished by then.
void installShutdown();

// Records a way out whose orderly part follows later (the first way out decides the status) and starts the
// hard limit. Async-signal-safe.
void requestEnd(int status);

// Ends the show the orderly way if a way out asked for it; returns otherwise. Called by the idle callback and
// between start-up steps.
void endIfRequested();

// The orderly shutdown: stops sound and exits with `status`, or with the status of an earlier way out.
// Safe to reach again from an exit handler or Xlib while exiting: it then ends at once. Never returns.
[[noreturn]] void leaveShow(int status);

// Stops and closes the music stream, then closes sound (device and its thread, then the analyser).
void stopSound();
