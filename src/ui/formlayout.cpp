#include "formlayout.h"

#include "captionbutton.h"
#include "controlnames.h"
#include "captionradiobutton.h"
#include "designationbox.h"
#include "outlineshape.h"
#include "panelface.h"
#include "portbox.h"
#include "selectorlist.h"
#include "statusline.h"
#include "textvalidator.h"

#include "files/configrecord.h"

#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>

namespace FormLayout {
namespace {

const QColor darkGreen(0, 128, 0);
const QColor darkRed(192, 0, 0);
const QColor lightCyan(128, 255, 255);

template <typename W>
W *named(W *widget, const char *name, const QRect &rect, const char *tooltip = nullptr)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(rect);
    if (tooltip)
        widget->setToolTip(QString::fromLatin1(tooltip));
    return widget;
}

void setColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

QLabel *label(QWidget *parent, const char *name, const QRect &rect, const QString &text, const QFont &font)
{
    auto *l = named(new QLabel(text, parent), name, rect);
    l->setFont(font);
    return l;
}

SelectorList *selector(QWidget *parent, const char *name, const QRect &rect, std::span<const ListEntry> entries,
                       const QString &tooltip, const QColor &colour, const QString &spokenName)
{
    auto *list = named(new SelectorList(entries, parent), name, rect);
    list->setToolTip(tooltip);
    list->setAccessibleName(spokenName);
    list->setFont(sansSerifFont(false));
    setColour(list, QPalette::Text, colour);
    return list;
}

QLineEdit *textBox(QLineEdit *box, const char *name, const QRect &rect, const QString &tooltip,
                   const QString &spokenName)
{
    named(box, name, rect);
    box->setToolTip(tooltip);
    box->setAccessibleName(spokenName);
    box->setTextMargins(1, 0, 1, 0);
    box->setValidator(new TextValidator(box));
    return box;
}

QGroupBox *frame(QWidget *parent, const char *name, const QRect &rect, const char *caption)
{
    auto *f = named(new QGroupBox(QString::fromLatin1(caption), parent), name, rect);
    f->setFont(arialFont(9.75, true));
    return f;
}

// The places of the item grid, one for each switch, each holding the switch and the LED of
// the same number; the caption at a place is itemLabels' of that place.
struct GridPlace
{
    QPoint designation, module, channel, label;
};

const std::array<GridPlace, ConfigItems::switchCount> gridPlaces = {{
    {{1680, 2400}, {1680, 2640}, {2520, 2640}, {1200, 2760}},
    {{3480, 2400}, {3480, 2640}, {4320, 2640}, {5040, 2760}},
    {{1680, 3480}, {1680, 3720}, {2520, 3720}, {1200, 3840}},
    {{3480, 3480}, {3480, 3720}, {4320, 3720}, {5040, 3840}},
    {{1680, 4560}, {1680, 4800}, {2520, 4800}, {1200, 4920}},
    {{3480, 4560}, {3480, 4800}, {4320, 4800}, {5040, 4920}},
}};

void buildGrid(QWidget *form)
{
    for (int i = 0; i < ConfigItems::designationCount; ++i) {
        const ItemControls &item = itemControls[i];
        const GridPlace &place = gridPlaces[i % gridPlaces.size()];
        const QString name = PanelConfiguration::name(i);
        const QString spoken = QString::fromLatin1(item.spokenName);
        const QColor colour = i < ConfigItems::switchCount ? darkGreen : darkRed;
        auto *box = textBox(new DesignationBox(QStringLiteral("DESIGNATION "), form), item.designationBox,
                            twips(place.designation.x(), place.designation.y(), 1455, 285),
                            QStringLiteral("ENTER %1 FUNCTION").arg(name), spoken + QStringLiteral(" designation"));
        setColour(box, QPalette::Text, colour);
        selector(form, item.moduleList, twips(place.module.x(), place.module.y(), 855, 645), moduleList,
                 QStringLiteral("%1 MODULE ASSIGNMENT").arg(name), colour, spoken + QStringLiteral(" module"));
        selector(form, item.channelList, twips(place.channel.x(), place.channel.y(), 615, 645), channelList,
                 QStringLiteral("%1 CHANNEL ASSIGNMENT").arg(name), colour, spoken + QStringLiteral(" channel"));
    }
    for (int i = 0; i < int(gridPlaces.size()); ++i) {
        const GridPlace &place = gridPlaces[i];
        auto *l = label(form, itemLabels[i], twips(place.label.x(), place.label.y(), 420, 195),
                        PanelConfiguration::name(i), sansSerifFont(true));
        setColour(l, QPalette::WindowText, Qt::white);
    }
}

void buildPanelFace(QWidget *form)
{
    named(new PanelFace(form), "Image1", twips(960, 1440, 4695, 5175));

    auto *status = named(new StatusLine(form), "Text1", twips(1680, 1680, 3255, 615));
    status->setFont(arialFont(8.25, false));
    status->setWordWrap(true);
    status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status->setFrameStyle(QFrame::Box | QFrame::Plain);
    status->setLineWidth(1);
    status->setMargin(0);
    status->setIndent(1);
    status->setAutoFillBackground(true);
    setColour(status, QPalette::Window, Qt::white);
    setColour(status, QPalette::WindowText, Qt::black);
    status->hide();

    auto *nameLabel = label(form, "Label6", twips(2520, 5760, 1695, 255), QStringLiteral("PANEL NAME"), sansSerifFont(true));
    nameLabel->setAutoFillBackground(true);
    auto *panelName = textBox(new QLineEdit(form), "Text2", twips(2520, 6000, 1695, 285),
                              QStringLiteral("ENTER IDENTITY FOR FILE NAME"), QStringLiteral("Panel name"));
    panelName->setFont(sansSerifFont(false));
    panelName->setMaxLength(ConfigRecord::panelNameLimit);

    label(form, "Label7", twips(1680, 6840, 3375, 375), QStringLiteral("PROGRAMMING HEADER LOCATION"), sansSerifFont(true));
    OutlineShape::rectangle(twips(1080, 4560, 615, 975), lightCyan, form)->setObjectName(QStringLiteral("Shape1"));
    const auto point = [](int x, int y) { return QPoint(x / twipsPerPixel, y / twipsPerPixel); };
    for (auto [name, from, to] : {std::tuple{"Line1", point(1320, 5520), point(1320, 6960)},
                                  std::tuple{"Line2", point(1680, 6960), point(1320, 6960)}}) {
        OutlineShape::line(from, to, Qt::black, form)->setObjectName(QString::fromLatin1(name));
    }
}

void buildCommands(QWidget *form)
{
    auto *option1 = named(new CaptionRadioButton(QStringLiteral("SWITCH CHANNEL ASSIGNMENTS"), form), "Option1",
                          twips(4680, 240, 2415, 495), "LEFT CLICK TO VIEW SWITCH CHANNEL ASSIGNMENTS");
    setColour(option1, QPalette::WindowText, darkGreen);
    option1->setChecked(true);
    auto *option2 = named(new CaptionRadioButton(QStringLiteral("LIGHTING CHANNEL ASSIGNMENTS"), form), "Option2",
                          twips(4680, 720, 2415, 495), "LEFT CLICK TO VIEW LIGHTING CHANNEL ASSIGNMENTS");
    setColour(option2, QPalette::WindowText, darkRed);

    // Open and save have the desktop's usual keys; read and write, which replace the window's
    // or the panel's configuration, have keys that are not hit by accident.
    struct Command { const char *name; QRect rect; const char *caption; const char *tooltip; QKeySequence key; };
    const Command commands[] = {
        {"READ_FILE", twips(6000, 1440, 2415, 855), "OPEN CONFIGURATION FILE", "LEFT CLICK TO OPEN CONFIG FILE",
         QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"WRITE_FILE", twips(6000, 2520, 2415, 855), "SAVE CONFIGURATION FILE", "LEFT CLICK TO SAVE CONFIG FILE",
         QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"READ_CONFIG", twips(8760, 1440, 2415, 855), "READ CONFIGURATION FROM SWITCH PANEL",
         "LEFT CLICK TO READ CONFIG IN SWITCH PANEL", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)},
        {"WRITE_CONFIG", twips(8760, 2520, 2415, 855), "WRITE CONFIGURATION TO SWITCH PANEL",
         "LEFT CLICK TO SAVE CONFIG IN SWITCH PANEL", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W)},
        // Right of the lighting channels' frame, where neither view has a control.
        {"COMPARE_CONFIG", twips(9600, 3720, 1575, 1095), "COMPARE WITH SWITCH PANEL",
         "LEFT CLICK TO COMPARE CONFIG IN SWITCH PANEL", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)},
    };
    for (const Command &c : commands) {
        auto *button = named(new CaptionButton(QString::fromLatin1(c.caption), form), c.name, c.rect, c.tooltip);
        button->setFont(arialFont(9.75, true));
        button->setShortcut(c.key);
        button->setAccessibleDescription(QStringLiteral("%1 (%2)").arg(QString::fromLatin1(c.tooltip),
                                                                        c.key.toString(QKeySequence::NativeText)));
    }

    // The port of the panel transfers, above their buttons.
    label(form, "Label20", twips(8760, 240, 2415, 255), QStringLiteral("SERIAL PORT:"), sansSerifFont(true));
    auto *port = named(new PortBox(form), "Combo1", twips(8760, 495, 2415, 315),
                       "LEFT CLICK TO CHOOSE THE SERIAL PORT OF THE SWITCH PANEL");
    port->setFont(sansSerifFont(false));
    port->setAccessibleName(QStringLiteral("Serial port"));
    port->lineEdit()->setAccessibleName(port->accessibleName());
}

void buildFrames(QWidget *form)
{
    const QFont labelFont = arialFont(9.75, true);
    auto *channels = frame(form, "Frame1", twips(6000, 3720, 3495, 1695), "LIGHTING CONTROL CHANNELS:");
    // The backlight's and the dimming input's selectors, each pair beside its caption.
    struct LightingPlace
    {
        int item;
        const char *label;
        QRect captionRect;
        const char *tooltip;
        QPoint module, channel;
    };
    const LightingPlace lightingPlaces[] = {
        {ConfigItems::backlightItem, "Label19", twips(480, 480, 1215, 255), "BACKLIGHTING", {1680, 240}, {2520, 240}},
        {ConfigItems::dimmingItem, "Label1", twips(720, 1200, 975, 255), "DIMMING", {1680, 960}, {2520, 960}},
    };
    for (const LightingPlace &place : lightingPlaces) {
        const ItemControls &item = itemControls[place.item];
        const QString spoken = QString::fromLatin1(item.spokenName);
        label(channels, place.label, place.captionRect, PanelConfiguration::name(place.item), labelFont);
        selector(channels, item.moduleList, twips(place.module.x(), place.module.y(), 855, 645), moduleList,
                 QStringLiteral("%1 MODULE ASSIGNMENT").arg(QLatin1String(place.tooltip)), darkRed,
                 spoken + QStringLiteral(" module"));
        selector(channels, item.channelList, twips(place.channel.x(), place.channel.y(), 615, 645), channelList,
                 QStringLiteral("%1 CHANNEL ASSIGNMENT").arg(QLatin1String(place.tooltip)), darkRed,
                 spoken + QStringLiteral(" channel"));
    }

    auto *intensities = frame(form, "Frame2", twips(6000, 5760, 5175, 2775), "LIGHTING INTENSITIES:");
    // The intensities' captions and selectors, top to bottom (intensitiesTopDown).
    struct IntensityPlace
    {
        QRect captionRect;
        bool wrapped;
        int listTop;
        const char *tooltip;
    };
    const std::array<IntensityPlace, ConfigItems::intensityCount> intensityPlaces = {{
        {twips(600, 480, 2415, 255), false, 240, "LED INDICATOR NORMAL INTENSITY (%)"},
        {twips(240, 1200, 2895, 255), false, 1080, "BACKLIGHTING NORMAL INTENSITY (%)"},
        {twips(600, 1920, 2535, 615), true, 1920, "DIMMED LIGHTING INTENSITY (%)"},
    }};
    for (int row = 0; row < int(intensityPlaces.size()); ++row) {
        const IntensityPlace &place = intensityPlaces[row];
        const auto k = Intensity(intensitiesTopDown[row]);
        const IntensityControls &controls = intensityControls[k];
        label(intensities, controls.label, place.captionRect,
              PanelConfiguration::name(PanelConfiguration::intensityAddress(k)), labelFont)
            ->setWordWrap(place.wrapped);
        selector(intensities, controls.list, twips(3120, place.listTop, 735, 645), intensityList,
                 QString::fromLatin1(place.tooltip), darkRed, QString::fromLatin1(controls.spokenName));
    }
}

} // namespace

QFont sansSerifFont(bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(8.25);
    font.setBold(bold);
    return font;
}

QFont arialFont(qreal pointSize, bool bold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QHash<QString, QWidget *> build(QWidget *form)
{
    // Creation order is stacking order: the picture first, everything else over it.
    buildPanelFace(form);
    buildGrid(form);
    buildCommands(form);
    buildFrames(form);
    QHash<QString, QWidget *> controls;
    for (QWidget *child : form->findChildren<QWidget *>())
        if (!child->objectName().isEmpty() && !child->objectName().startsWith(QLatin1String("qt_")))
            controls.insert(child->objectName(), child);

    // A screen reader speaks the tooltip as the control's description; labels that stand for
    // a control name it.
    for (QWidget *control : std::as_const(controls))
        if (!control->toolTip().isEmpty() && control->accessibleDescription().isEmpty())
            control->setAccessibleDescription(control->toolTip());
    for (const LabelBuddy &pair : labelBuddies)
        qobject_cast<QLabel *>(controls.value(QString::fromLatin1(pair.label)))
            ->setBuddy(controls.value(QString::fromLatin1(pair.control)));
    return controls;
}

} // namespace FormLayout
