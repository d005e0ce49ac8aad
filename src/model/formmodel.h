#pragma once

#include "platform/coreexport.h"
#include "config/panelconfiguration.h"
#include "formhost.h"
#include "panelconfig.h"
#include "selectortables.h"

#include <QList>
#include <QObject>
#include <array>
#include <optional>

// The window's state and handlers without a widget: the selections of the module, channel
// and intensity selectors, the designation and panel name texts, what is shown and hidden,
// the status line and the two views, with the selection handlers, the views and the
// intensity rule. The window draws it and hands it the user's clicks and keys; the command
// line runs it as it is. Items and intensities are numbered as ConfigItems has them. The
// record of codes (PanelConfig) stays inside: its values are handed out item by item.
//
// A selection that changes a position runs the selector's handler to its end before it
// returns, as a user's pick does; selecting the position already selected runs nothing.
class DURVEX_CORE_EXPORT FormModel : public QObject
{
    Q_OBJECT

public:
    // Orange: a compare found the panel differing (yellow keeps meaning a transfer under way).
    enum class StatusColour { White, Yellow, Red, Green, Orange };
    enum class View { Switches, Lighting };

    struct Status
    {
        QString text;
        // The whole text where the line shows a short one, with what more there is to
        // know on the lines after it; else the text.
        QString detail;
        StatusColour colour = StatusColour::White;
        bool visible = false;
        bool operator==(const Status &) const = default;
    };

    // Everything the form shows and keeps, as a value: a snapshot to go back to.
    class State
    {
    public:
        bool operator==(const State &) const = default;

    private:
        friend class FormModel;
        struct Item
        {
            int module = -1, channel = -1;
            bool moduleVisible = true, channelVisible = true, designationVisible = true;
            QString designation = QStringLiteral("DESIGNATION ");
            bool operator==(const Item &) const = default;
        };
        struct IntensityItem
        {
            int position = -1;
            bool visible = true;
            bool operator==(const IntensityItem &) const = default;
        };
        PanelConfig cfg;
        std::array<Item, ConfigItems::itemCount> items;
        std::array<IntensityItem, ConfigItems::intensityCount> intensities;
        QString panelName;
        View view = View::Switches;
        bool framesVisible = true;
        int captionItem = 0;
        qint16 leftoverChannel = 0; // the channel position a later "N/A" code shows
        // What the last read or load brought, address by address: what the values above were
        // made from, so that going back to a state goes back to its adjustments too.
        std::array<std::optional<qint16>, ConfigItems::byteCount> found;
    };

    // What a write or a save takes from the form, gathered afresh from the selectors.
    struct Gathering
    {
        PanelConfiguration configuration; // the write values, intensities, designations, panel name
        QList<MissingPick> missing;       // every item not picked; none when complete
        bool complete() const { return missing.isEmpty(); }
    };

    // A value the form holds otherwise than the last panel read or file load brought it: an
    // intensity the rule moved, a code that no entry shows.
    struct Adjustment
    {
        int address;
        qint16 found; // as read or loaded
        qint16 used;  // what the form shows, and a write or a save takes
        bool operator==(const Adjustment &) const = default;
    };

    // The form opens as the window does: Form_Load has run.
    explicit FormModel(FormHost &host, QObject *parent = nullptr);

    FormHost &host() { return m_host; }

    // The whole form as a value, and back: restoring runs no handler and shows no box.
    // The status line is no part of it.
    const State &state() const { return m_s; }
    void restore(const State &state);

    // Start-up: the intensity codes and selections, then the switch-assignment view.
    void Form_Load();

    // The record's codes, item by item: as last picked or loaded (the selected code), the
    // module code of the last module other than "N/A" and the channel code of the last
    // channel picked, and the write value of the last gathering.
    qint16 selectedCode(int item) const { return m_cfg.*assignmentItems[item].selected; }
    qint16 moduleCode(int item) const { return m_cfg.*assignmentItems[item].moduleCode; }
    qint16 channelCode(int item) const { return m_cfg.*assignmentItems[item].channelCode; }
    qint16 writeValue(int item) const { return m_cfg.*assignmentItems[item].writeValue; }
    qint16 intensityCode(int intensity) const { return m_cfg.*intensityCodes[intensity]; }
    // Stores an intensity code without showing it, as a load does before it shows them all;
    // show_intensity() then shows it.
    void storeIntensityCode(int intensity, qint16 code) { m_cfg.*intensityCodes[intensity] = code; }

    // Selectors.
    int modulePosition(int item) const { return m_s.items[item].module; }
    int channelPosition(int item) const { return m_s.items[item].channel; }
    int intensityPosition(int intensity) const { return m_s.intensities[intensity].position; }
    void selectModule(int item, int position);
    void selectChannel(int item, int position);
    void selectIntensity(int intensity, int position);

    // Boxes.
    QString designation(int item) const { return m_s.items[item].designation; }
    void setDesignation(int item, const QString &text);
    QString panelName() const { return m_s.panelName; }
    void setPanelName(const QString &text);

    // What is shown.
    bool moduleVisible(int item) const { return m_s.items[item].moduleVisible; }
    bool channelVisible(int item) const { return m_s.items[item].channelVisible; }
    bool designationVisible(int item) const { return m_s.items[item].designationVisible; }
    void setDesignationVisible(int item, bool visible);
    // An intensity selector with its caption.
    bool intensityVisible(int intensity) const { return m_s.intensities[intensity].visible; }
    View view() const { return m_s.view; }
    bool framesVisible() const { return m_s.framesVisible; }
    // The first item whose names the six item captions of the grid show (0 or 6).
    int captionItem() const { return m_s.captionItem; }

    // The status line.
    const Status &status() const { return m_status; }
    void setStatusText(const QString &text, const QString &detail = QString());
    void setStatusColour(StatusColour colour);
    void setStatusVisible(bool visible);

    // The views. After a panel read the switch view keeps the designation boxes hidden.
    void show_switch_view(bool afterRead = false);
    void Option1_Click() { show_switch_view(); }
    void Option2_Click();

    // Going back from codes to selections, as a panel read and a file load show them.
    // show_code shows an address code in the item's selectors: split_code finds the
    // positions, then the module and the channel position are selected. A code of 160 or
    // more shows "N/A" and selects the channel position left over from the previous split;
    // a negative code shows "N/A" and leaves the channel alone, since no list has a
    // negative position.
    void show_code(int item, qint16 code);
    // Selects the entry of the intensity's code; a code with no entry becomes 10 ("100").
    void show_intensity(int intensity);
    void show_blpercent() { show_intensity(Backlighting); }
    void show_indpercent() { show_intensity(Indicator); }
    void show_dindpercent() { show_intensity(Dimmed); }

    // The fourteen write values computed afresh from the selections. The first incomplete
    // item ends the gathering and comes back; a complete gathering ends in the switch view.
    std::optional<MissingPick> gather_config();
    // Every item that keeps a gathering from completing; changes nothing.
    QList<MissingPick> missingPicks() const;
    // gather_config() with what it comes to: the configuration, or every item not picked.
    Gathering gather();

    // A panel read applies each configuration byte as it comes, in the order of the
    // addresses from 0: an item's code shown in its selectors with its designation emptied
    // and hidden, or an intensity's code.
    void applyReadByte(int address, qint16 code);
    // A file load: every code stored first, so that the intensity handlers compare
    // the file's codes with each other, then shown in the order of the memory map.
    void load(const PanelConfiguration &configuration);
    // What a write or a save takes from the form: the write values of the last gathering,
    // the intensity codes, the designations and the panel name.
    PanelConfiguration configuration() const;
    // One byte of that, as a write sends it at a configuration address (0..16).
    qint16 byteToWrite(int address) const;
    // Where the form holds another value than the last read or load brought, address by
    // address (a read that failed part-way: its bytes so far). Picks made since count too.
    QList<Adjustment> adjustments() const;

    // The code the selectors of a configuration address (0..16) show: an item's module and
    // channel, or an intensity's code; nothing while an item is not picked.
    std::optional<qint16> shownCode(int address) const;
    // A panel's bytes taken into the form as a read shows them, the designations kept: the
    // intensity codes are all stored before any is shown, so the rule weighs the panel's
    // pair, not one of them against the form's.
    void take(const QList<std::pair<int, qint16>> &bytes);

signals:
    // Anything shown has changed.
    void changed();

private:
    template <typename T>
    void update(T &field, const T &value);
    bool select(int &current, int position, int count);
    void moduleSelected(int item);  // List1_Click .. List43_Click
    void channelSelected(int item); // List2_Click .. List42_Click
    void List45_Click();
    void List46_Click();
    void List49_Click();
    void intensitySelected(int intensity);
    int pickedIntensityCode(int intensity);
    void showChannelFor(int item);
    void setModuleVisible(int item, bool visible);
    void setChannelVisible(int item, bool visible);

    FormHost &m_host;
    State m_s;
    PanelConfig &m_cfg = m_s.cfg;
    Status m_status;
};
