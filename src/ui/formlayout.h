#pragma once

#include <QFont>
#include <QHash>
#include <QRect>
#include <QString>

class QWidget;

// The controls of the window with their places, texts, tooltips, fonts and colours.
// Places are in twips, as the form was designed; 15 twips make one pixel.
namespace FormLayout {

constexpr int twipsPerPixel = 15;
constexpr QRect twips(int left, int top, int width, int height)
{
    return QRect(left / twipsPerPixel, top / twipsPerPixel, width / twipsPerPixel, height / twipsPerPixel);
}

inline constexpr QRect clientArea = twips(0, 0, 11415, 8895);

QFont sansSerifFont(bool bold);
QFont arialFont(qreal pointSize, bool bold);

// Creates every control as a child of form (or of its frame), named by its object name.
QHash<QString, QWidget *> build(QWidget *form);

} // namespace FormLayout
