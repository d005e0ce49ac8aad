#pragma once

// The program's text boxes as screen readers need them. Qt 6.4 reports a line edit's text
// attributes as an empty run at each offset (from the offset to itself), where a screen reader
// expects the run that holds the offset. Orca 43 builds the text it speaks from those runs and
// then leaves out the last character: "HOR selected" for HORN when Tab selects the box's text,
// or when the keyboard comes back to the box after a dialog. Installed once, the interface
// gives every line edit of the program (the window's boxes, and those of the file dialogs) its
// text as one run, and otherwise answers as Qt's own.
namespace BoxInterface {

void install();

} // namespace BoxInterface
