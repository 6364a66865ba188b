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
