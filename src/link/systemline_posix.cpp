#include "systemline.h"

#include "serialportline.h"

namespace SystemLine {

std::unique_ptr<SerialLine> make(const QString &portName, const QString &traceFile, const QString &traceLabel)
{
    auto line = std::make_unique<SerialPortLine>(portName, traceFile);
    if (!traceLabel.isEmpty())
        line->setTraceLabel(traceLabel);
    return line;
}

} // namespace SystemLine
