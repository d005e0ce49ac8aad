#pragma once

#include "line/positionstate.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdio>

// Standard error as the commands use it: lines that scroll, and on a terminal below them
// the board, redrawn in place. A fixture's board has one row per position (its label, its
// counts and its state) and a totals row; a single write shows one row of progress while a
// byte is under way. With several positions each line names its position. Quiet keeps
// only the failures.
class ProgressBoard
{
public:
    // `colour`: the terminal shows colours and the user has not turned them off.
    ProgressBoard(std::FILE *err, bool terminal, bool quiet, bool colour = false);

    // Whether standard error is a terminal that shows colour: not with NO_COLOR set or
    // TERM unset or dumb.
    static bool colourWanted(bool terminal);

    // The positions by label, each with its port; `fixture`: rows for every position.
    void setPositions(const QStringList &labels, bool fixture = false);
    bool several() const { return m_rows.size() > 1; }
    bool terminal() const { return m_terminal; }

    // A line of its own; a failure shows also when quiet.
    void say(const QString &line, bool failure = false);
    // Lines about one position: with several, each begins with the position's label.
    void sayOn(int position, const QStringList &lines, bool failure = false);
    // A line on standard output, which may share the terminal with the rows.
    void print(const QByteArray &line);
    // Why a result could not be written to standard output, or nothing.
    QString outputFailure() const { return m_outputFailure; }
    // A position's row: the byte being transferred (none: -1) and its status.
    void progress(int position, int byte, const QString &status);
    void setStatus(int position, const QString &status);
    void endProgress(int position);
    // A fixture's row: what the position does, its counts, and the id of its panel.
    void show(int position, const QString &state, PositionState::Colour colour, int programmed, int failed,
              const QString &panelId);
    void setTotals(const QString &totals);
    // On a terminal, a failure rings.
    void bell();

    // A fixture's row as the board shows it, before it is cut to the terminal's width.
    static QString fixtureRow(const QString &label, int labelWidth, int programmed, int failed, const QString &state,
                              const QString &panelId);

private:
    struct Row
    {
        QString label;
        int byte = -1;
        QString status;
        PositionState::Colour colour = PositionState::Colour::Plain;
        int programmed = 0;
        int failed = 0;
        QString panelId;
    };

    QString rowText(const Row &row) const;
    void clear();
    void redraw();
    void draw();

    std::FILE *m_err;
    bool m_terminal;
    bool m_quiet;
    bool m_colour;
    const char *m_black; // the text's colour on a coloured row
    bool m_fixture = false;
    QString m_outputFailure;
    QList<Row> m_rows;
    QString m_totals;
    int m_labelWidth = 0;
    int m_drawn = 0; // rows on the screen
};
