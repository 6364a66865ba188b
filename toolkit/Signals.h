#pragma once
// Termination requests from the system. SIGTERM and SIGHUP (a service stop,
// the end of a session) reach the program as a call on the main thread, so
// that it can shut down as it does when the operator closes it; SIGXFSZ is
// ignored, so that a file-size limit becomes a failed write that is reported
// instead of killing the program.
#include <functional>

// Installs the handlers (again: replaces the call). After the call, message
// boxes and dialogs still open are cancelled so that the program can end.
// OnRequest gets the
// signal's number; it runs on the main thread from the event loop. An empty
// call gives SIGTERM and SIGHUP their default action again.
void InstallTerminationHandler(std::function<void(int Signal)> OnRequest);

// The loss of the display (the X server or the compositor went away). The
// platform plugin would print "The X11 connection broke" and end the program
// through exit(), whose handlers free windows over a dead connection. With
// this installed, OnLoss runs first, on the main thread, with the windows
// left alone, and the program then ends at once (exit code 0) without
// running exit handlers. OnLoss must not touch windows. An empty call
// removes the handler.
void InstallDisplayLossHandler(std::function<void()> OnLoss);
// Toolkit internal, for tests: true for the platform's message of a lost
// display connection.
bool IsDisplayLossMessage(const char* Message);
