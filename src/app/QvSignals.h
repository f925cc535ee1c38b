// SIGTERM and SIGINT close the main window as its close box does, so the settings are written when
// the desktop session ends or the program is interrupted in a terminal.
#pragma once

// Installs the handlers; call once, after the platform application exists.
void QvInstallTerminationHandler();
