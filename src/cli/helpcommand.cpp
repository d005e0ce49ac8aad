#include "helpcommand.h"

#include "cli/argumenttext.h"
#include "platform/standardstreams.h"

#include <cstdio>

namespace {

// The help and the version are what the run is for: one that cannot be written fails as
// any result that cannot be written does.
RunResult printed(const QString &text)
{
    QString reason;
    if (StandardStreams::write(stdout, text.toUtf8(), &reason))
        return {};
    std::fprintf(stderr, "durvex-config: the result could not be written to standard output: %s\n",
                 qPrintable(reason));
    return {.outputWritten = false};
}

} // namespace

RunResult HelpCommand::run()
{
    switch (m_commandLine.action) {
    case CommandLine::Action::Help:
        return printed(CommandLine::helpText(m_commandLine.command));
    case CommandLine::Action::Version:
        return printed(CommandLine::versionText());
    case CommandLine::Action::UsageError:
    case CommandLine::Action::Run:
        break;
    }
    // A usage error, on one line whatever the names in it hold.
    std::fprintf(stderr, "durvex-config: %s (see --help)\n", qPrintable(ArgumentText::shown(m_commandLine.error)));
    return {.refusal = RunResult::Refusal::Usage};
}
