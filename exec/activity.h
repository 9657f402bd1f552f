// What the main window is busy with: a node-menu request (its popup, its
// dialogs and the commands it runs) or a command run. Each runs a message
// loop of its own, so a drop, a close or a key can arrive meanwhile: drops
// are refused, and a stop ends the group's work after the current command.
#pragma once

// Activities nest. A stop lasts until the outermost one ends.
void BeginActivity();
// True when the outermost activity ended and a close was asked for in it.
bool EndActivity();
bool ActivityInProgress();

// Asks the activity in progress to start no further command; thenClose asks
// for the window to close once the outermost activity has ended.
void RequestStop(bool thenClose);
bool StopRequested();
