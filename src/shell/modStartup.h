#pragma once
// Start-up: settings, channel objects, splash, main window, welcome lines.
class AppContext;
class frmMain;

// Runs the start-up once and returns the shown main window (the caller keeps it);
// nullptr when the user closed the window during the splash wait.
frmMain* Main(AppContext& context);
// Access level, developer mode, resource folders, then the channel.
void fInitCommon(AppContext& context);
// Reads the channel values, creates the missing channel objects and pushes the
// parameters; run again before every Online and Coupler command.
void fInitDevChannel(AppContext& context);
