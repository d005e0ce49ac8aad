#include "systemline.h"

#include "commline.h"

namespace SystemLine {

std::unique_ptr<SerialLine> make(const QString &portName, const QString &traceFile, const QString &traceLabel)
{
    auto line = std::make_unique<CommLine>(portName, traceFile);
    if (!traceLabel.isEmpty())
        line->setTraceLabel(traceLabel);
    return line;
}

} // namespace SystemLine
