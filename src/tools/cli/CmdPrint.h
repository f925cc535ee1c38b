// ocuvane-cli's print command (Args as the program received them, "print" at index 1).
#pragma once

#include <QStringList>

// The exit status: 0 printed, 2 bad usage, 1 unreadable image or failed print.
int RunPrintCommand(const QStringList& Args, int& Argc, char** Argv);
