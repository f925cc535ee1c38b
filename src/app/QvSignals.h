// SIGTERM and SIGINT close the main window as its close box does, so the settings are written when
// the desktop session ends or the program is interrupted in a terminal.
#pragma once

// Installs the handlers; call once, after the platform application exists.
void QvInstallTerminationHandler();

// True once SIGTERM or SIGINT has arrived: the program is ending, and no box may hold it. A box
// asked for from then on is not shown (QvTerminationAnswer gives its answer), and the main window
// is not shown when the signal came before it.
bool QvTerminationRequested();
// The answer of a message box (QvMB flags) while the program ends: "No" where there is one, so
// nothing is written half-way, otherwise what Escape would give.
int QvTerminationAnswer(int Flags);
// Delivers a termination as the signal would (tests).
void QvRequestTermination();
