#pragma once

#include <QString>

#include <iterator>

// The program's exit codes, the same for the window and every command, with the word the
// JSON output and the programming log give each code that ends a panel attempt.
namespace ExitCode {

enum Code : int {
    Done = 0,          // programmed; read and saved; matches; fit to write; the window was closed
    PanelFailed = 1,   // the panel could not be reached or the transfer failed
    WrongModel = 2,    // the panel is not a supported model
    Differs = 3,       // verify or diff found differences
    FileFailed = 4,    // the file was refused, could not be read or saved; the result or the log could not be written
    UsageError = 64,   // EX_USAGE
    NoDisplay = 69,    // EX_UNAVAILABLE: the window found no display
    HungUp = 129,      // SIGHUP
    Interrupted = 130, // Ctrl+C
    Terminated = 143   // SIGTERM
};

struct Meaning
{
    Code code;
    const char *outcome; // the JSON output's word; null for a code that ends no attempt
    const char *meaning; // as the help and the README say it
    const char *otherOutcome = nullptr; // a second word the code ends attempts with
};

// Every code, in order.
inline constexpr Meaning meanings[] = {
    {Done, "done",
     "done: programmed; read and saved; the panel matches; the file is fit to write; the window was closed; "
     "unchanged: the panel held what the write sends (--skip-matching)",
     "unchanged"},
    {PanelFailed, "failed",
     "the panel could not be reached, its port would not open, the line was lost or a byte failed"},
    {WrongModel, "wrong-model", "the panel is not a supported model"},
    {Differs, "differs", "verify or diff found differences"},
    {FileFailed, "file-refused",
     "the file was refused, could not be read, or could not be saved; the result could not be written to "
     "standard output; the log could not be written"},
    {UsageError, nullptr, "usage error; more ports than the open-file limit holds"},
    {NoDisplay, nullptr, "no display to show the window on (the commands need none)"},
    {HungUp, "hung-up", "hung up (SIGHUP)"},
    {Interrupted, "interrupted", "interrupted (Ctrl+C)"},
    {Terminated, "terminated", "terminated (SIGTERM)"},
};

// "done", "failed", "wrong-model", "differs", "file-refused", "hung-up", "interrupted",
// "terminated"; nothing for 64, 69 and numbers that are no code.
inline QString outcomeWord(int code)
{
    for (const Meaning &row : meanings)
        if (row.code == code && row.outcome)
            return QString::fromLatin1(row.outcome);
    return {};
}

} // namespace ExitCode
