#pragma once
// The metafile converter of the reader process: libemf2svg for enhanced
// metafiles, libwmf's SVG device for Windows metafiles. It runs only here,
// never in the console: both libraries read out of bounds, crash or allocate
// without end on damaged files, which the process's limits contain. The
// exchange with the console is described in toolkit/MetafileFormat.h.

namespace metafile {

// Runs the converter as the process: arguments "metafile emf" or "metafile
// wmf", the file's bytes on standard input, the reply on standard output.
// Answers the exit code (0 when it replied, another when the file is broken).
int ConverterMain(int argc, char** argv);

}  // namespace metafile
