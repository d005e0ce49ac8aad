#pragma once

#include "serialline.h"

#include <memory>

// The real serial line of this system's build: a QSerialPort where Qt's event wait serves,
// the system's comm port polled without blocking on Windows (see commline.h).
namespace SystemLine {

// With a trace file name, every byte on the line is traced into it, each line of the trace
// named by `traceLabel` where one is given.
std::unique_ptr<SerialLine> make(const QString &portName, const QString &traceFile = QString(),
                                 const QString &traceLabel = QString());

} // namespace SystemLine
