#pragma once

#include "cli/writecommand.h"

// verify: the panel on each port given read, never written, and compared with what a write
// of the file sends.
class VerifyCommand : public WriteCommand
{
public:
    explicit VerifyCommand(CommandStage &stage) : WriteCommand(stage, CommandLine::Command::Verify) {}
};
