#pragma once

// The program's window as screen readers need it. Qt 6.4 gives a top-level widget the client
// role, which the desktop's accessibility bus calls a filler: a screen reader then finds no
// frame whose title to speak or whose status bar to read, and Qt sends no window activation
// for it, so that a screen reader goes on following a dialog that has closed. Installed once,
// the interface makes the window a frame named with its caption.
namespace WindowInterface {

void install();

} // namespace WindowInterface
