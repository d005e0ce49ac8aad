#include "portscommand.h"

#include "cli/commandstage.h"
#include "cli/portlisting.h"

#include <QJsonDocument>

RunResult PortsCommand::run()
{
    const CommandLine &commandLine = m_stage.commandLine();
    const PortListing listing = PortListing::gather(commandLine.environmentPort, m_stage.settings());
    if (commandLine.json) {
        for (const PortListing::Entry &entry : listing.entries)
            m_stage.board().print(QJsonDocument(PortListing::toJson(entry)).toJson(QJsonDocument::Compact));
    } else {
        m_stage.board().print(listing.text().toUtf8().chopped(1));
    }
    for (const QString &warning : listing.warnings())
        m_stage.say(warning, true);
    return {};
}
