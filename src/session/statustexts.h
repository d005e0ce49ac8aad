#pragma once

#include "fileoutcome.h"
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

// The command that found items not picked. There are two spellings of one text because the
// window has always had two: the panel write's says "LED'S", the save's "LED's". Users, their
// written instructions and the scripts that read our output know each text exactly as it
// stands, so neither is made to match the other. The rule is one; the command picks the
// spelling.
enum class MissingPicksFor { PanelWrite, Save };
// The red line for items not picked: a switch first, else an LED, the backlight or the
// dimming input; the detail names them all.
Report incomplete(const QList<MissingPick> &picks, MissingPicksFor command);

// A modal box: its text, and its title (empty for the toolkit's default caption).
struct Box
{
    QString text;
    QString title;
};
// The box a save or an open ends with, where it shows one.
std::optional<Box> fileBox(const FileOutcome &outcome);
// The box for a panel of another model.
QString mismatchText(Direction direction);
QString mismatchTitle();

} // namespace StatusTexts
