#pragma once
class QAbstractButton;
class QWidget;

// Placement of the program's small windows (About box, status and progress windows).
namespace SmallWindow {
// Centres a window on its screen: left = (screen width - window width) / 2, top likewise.
void centre(QWidget* w);
// Keeps a window above all other windows.
void makeTopmost(QWidget* w);
// The keys of a dialog: Enter presses the focused button, or ok when the focus is elsewhere;
// Escape presses cancel.
void dialogKeys(QWidget* w, QAbstractButton* ok, QAbstractButton* cancel);
} // namespace SmallWindow
