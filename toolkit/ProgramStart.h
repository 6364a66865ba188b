#pragma once
// The start of another program (the reader process, the office suite): every
// child program is started by this routine, with its QProcess set up by the
// caller (channels, environment, a child-process modifier). For toolkit/ and
// platform/ sources (and tests) only: it takes Qt's types.
//
// Qt starts a program as a vfork child (clone with CLONE_VM | CLONE_VFORK:
// the child shares the memory of the starting thread, which waits until the
// child runs the program). In a ThreadSanitizer build the sanitizer's clone
// interceptor treats every clone as a fork and writes its bookkeeping of the
// child into that shared memory, i.e. into the starting thread's own state:
// the thread's locking is no longer tracked (every later hand-over is
// reported as a race) and a thread started later ends the program. There,
// and only for the clone made by this routine, the call goes to the C
// library's clone directly, so the child runs as the vfork child it is.
#include <QProcess>
#include <QString>
#include <QStringList>

void StartProgram(QProcess& Process, const QString& Program, const QStringList& Arguments);
