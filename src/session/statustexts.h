#pragma once

#include "model/formmodel.h"
#include "transfer/transferoutcome.h"

#include <optional>

// The one table from results to what the status line says: the text (naming the port
// briefly where it names one), the detail beside it (the whole port name, then what more
// there is to know), and the colour.
namespace StatusTexts {

enum class Direction { Read, Write };

struct Report
{
    QString text;
    QString detail;
    FormModel::StatusColour colour = FormModel::StatusColour::White;
};

QString starting(Direction direction);
// The line after one byte read or written, when it says anything.
std::optional<QString> afterByte(const LinkResult &result, Direction direction);
// The line at the end of a transfer; nothing for one that was aborted or refused as busy,
// and for a panel of another model only the detail (the transfer driver keeps the text).
std::optional<Report> ending(const TransferOutcome &outcome, Direction direction);
// The items not picked, by their captions: "SW3, LED5: no channel; BACKLIGHT: no module".
QString missing(const QList<MissingPick> &picks);
// The box for a panel of another model.
QString mismatchText(Direction direction);
QString mismatchTitle();

} // namespace StatusTexts
