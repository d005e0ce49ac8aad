#pragma once

#include "formhost.h"
#include "panelconfig.h"
#include "selectortables.h"

#include <QObject>
#include <array>

// The window's state and handlers without a widget: the selections of the module, channel
// and intensity selectors, the designation and panel name texts, what is shown and hidden,
// the status line and the two views, with the selection handlers, the views and the
// intensity rule. The window draws it and hands it the user's clicks and keys; the command
// line runs it as it is. Items are numbered as in assignmentItems, intensities as in
// intensityItems.
//
// A selection that changes a position runs the selector's handler to its end before it
// returns, as a user's pick does; selecting the position already selected runs nothing.
class FormModel : public QObject
{
    Q_OBJECT

public:
    enum class StatusColour { White, Yellow, Red, Green };
    enum class View { Switches, Lighting };

    struct Status
    {
        QString text;
        QString detail; // the whole text where the line shows a short one; else the text
        StatusColour colour = StatusColour::White;
        bool visible = false;
    };

    explicit FormModel(FormHost &host, QObject *parent = nullptr);

    PanelConfig &config() { return m_cfg; }
    const PanelConfig &config() const { return m_cfg; }
    FormHost &host() { return m_host; }

    // Start-up: the intensity codes and selections, then the switch-assignment view.
    void Form_Load();

    // Selectors.
    int modulePosition(int item) const { return m_items[item].module; }
    int channelPosition(int item) const { return m_items[item].channel; }
    int intensityPosition(int intensity) const { return m_intensities[intensity].position; }
    void selectModule(int item, int position);
    void selectChannel(int item, int position);
    void selectIntensity(int intensity, int position);

    // Boxes.
    QString designation(int item) const { return m_items[item].designation; }
    void setDesignation(int item, const QString &text);
    QString panelName() const { return m_panelName; }
    void setPanelName(const QString &text);

    // What is shown.
    bool moduleVisible(int item) const { return m_items[item].moduleVisible; }
    bool channelVisible(int item) const { return m_items[item].channelVisible; }
    bool designationVisible(int item) const { return m_items[item].designationVisible; }
    void setDesignationVisible(int item, bool visible);
    // An intensity selector with its caption.
    bool intensityVisible(int intensity) const { return m_intensities[intensity].visible; }
    View view() const { return m_view; }
    bool framesVisible() const { return m_framesVisible; }
    // The first item whose names the six item captions of the grid show (0 or 6).
    int captionItem() const { return m_captionItem; }

    // The status line.
    const Status &status() const { return m_status; }
    void setStatusText(const QString &text, const QString &detail = QString());
    void setStatusColour(StatusColour colour);
    void setStatusVisible(bool visible);

    // The views.
    void show_switch_view();
    void Option1_Click() { show_switch_view(); }
    void Option2_Click();

    // Going back from codes to selections, as a panel read and a file load show them.
    // show_code shows an address code in the item's selectors: the code goes into A,
    // split_code finds the positions, then the module and the channel position are
    // selected. A code of 160 or more shows "N/A" and selects the channel position left
    // over from the previous split; a negative code shows "N/A" and leaves the channel
    // alone, since no list has a negative position.
    void show_code(int item, qint16 code);
    // Selects the entry of the intensity's code; a code with no entry becomes 10 ("100").
    void show_intensity(int intensity);
    void show_blpercent() { show_intensity(Backlighting); }
    void show_indpercent() { show_intensity(Indicator); }
    void show_dindpercent() { show_intensity(Dimmed); }

    // The fourteen write values computed afresh from the selections. The first incomplete
    // item sets error_flag (1 for a switch, 2 for the rest) and ends the gathering; the
    // caller clears error_flag first. A complete gathering ends in the switch view.
    void gather_config();

signals:
    // Anything shown has changed.
    void changed();

private:
    struct ItemState
    {
        int module = -1, channel = -1;
        bool moduleVisible = true, channelVisible = true, designationVisible = true;
        QString designation = QStringLiteral("DESIGNATION ");
    };
    struct IntensityState
    {
        int position = -1;
        bool visible = true;
    };

    template <typename T>
    void update(T &field, const T &value);
    bool select(int &current, int position, int count);
    void moduleSelected(int item);  // List1_Click .. List43_Click
    void channelSelected(int item); // List2_Click .. List42_Click
    void List45_Click();
    void List46_Click();
    void List49_Click();
    void intensitySelected(int intensity);
    int selectedCode(int intensity);
    void showChannelFor(int item);
    void setModuleVisible(int item, bool visible);
    void setChannelVisible(int item, bool visible);

    FormHost &m_host;
    PanelConfig m_cfg;
    std::array<ItemState, 14> m_items;
    std::array<IntensityState, 3> m_intensities;
    QString m_panelName;
    Status m_status;
    View m_view = View::Switches;
    bool m_framesVisible = true;
    int m_captionItem = 0;
};
