#pragma once

// Qt ends the program with an abort and a core dump when the window finds no display: the
// failure is a fatal message raised inside the application object's constructor. While the
// guard is armed, that message becomes one line on standard error that points to the
// commands, which need no display, and the exit status 69 (EX_UNAVAILABLE). Qt's other
// messages of that time are held back, and passed on when the guard is disarmed.
namespace DisplayGuard {

void arm(int exitCode);
void disarm();

} // namespace DisplayGuard
