#pragma once
// Where boxes, pickers and modal windows stand. They have no parent window (a window may be
// unloaded while one is open), so they are placed over the window the user works in by hand.
class QWidget;

// The window a dialog opens over: the active modal window, else the active window, else
// ourFront (the window of ours in front, Forms::foreground()); never the dialog itself.
// nullptr when none is shown.
QWidget* DialogOwner(const QWidget* dialog, QWidget* ourFront);

// Before the dialog is shown: makes it transient for its owner (the window manager keeps it
// above the owner and gives it the focus) and keeps it on top while any visible window of ours
// stays on top, so that no window of ours covers the dialog the program waits on. Returns true
// when it gave the dialog the stay-on-top flag. ourFront as for DialogOwner.
bool StandAboveOwner(QWidget& dialog, QWidget* ourFront);

// Once the dialog shows: brings it to the front and gives it the focus.
void BringToFront(QWidget& dialog);
