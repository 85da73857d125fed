#pragma once
// Jobs run from the command line without a window: tidewriter --export-csv FILE [--ids ID,...] [LOG]
#include <QStringList>

struct StartupPaths;

// True when the arguments ask for a command-line job rather than the window.
bool IsCommandLineJob(const QStringList& arguments);
// Runs the job; messages go to stderr. Returns the exit status.
int RunCommandLineJob(const QStringList& arguments, const StartupPaths& paths);
QString CommandLineHelp();
