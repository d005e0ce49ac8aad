#include "formmodel.h"

#include <algorithm>

using ConfigItems::designationCount;
using ConfigItems::switchCount;

namespace {
const QString intensityRule = QStringLiteral("NORMAL INDICATOR INTENSITY must be set equal to\n"
                                             "or greater than NORMAL BACKLIGHTING INTENSITY.");
constexpr int intensityEntries = int(intensityList.size());
} // namespace

FormModel::FormModel(FormHost &host, QObject *parent)
    : QObject(parent)
    , m_host(host)
{
    Form_Load();
}

void FormModel::Form_Load()
{
    m_cfg.indpercent = 10;
    m_cfg.blpercent = 10;
    m_cfg.dindpercent = 10;
    selectIntensity(Backlighting, 0);
    selectIntensity(Dimmed, 0);
    selectIntensity(Indicator, 0);
    show_switch_view();
}

// --- Selections --------------------------------------------------------------------------

// Moves a selector to a position of its list of `count` entries (-1 for none); true when it
// moved, and then the handler is to run.
bool FormModel::select(int &current, int position, int count)
{
    if (position == current || position < -1 || position >= count)
        return false;
    current = position;
    emit changed();
    return true;
}

void FormModel::selectModule(int item, int position)
{
    if (select(m_s.items[item].module, position, int(moduleList.size())))
        moduleSelected(item);
}

void FormModel::selectChannel(int item, int position)
{
    if (select(m_s.items[item].channel, position, int(channelList.size())) && assignmentItems[item].channelHandler)
        channelSelected(item);
}

void FormModel::selectIntensity(int intensity, int position)
{
    if (select(m_s.intensities[intensity].position, position, intensityEntries))
        intensitySelected(intensity);
}

void FormModel::intensitySelected(int intensity)
{
    switch (intensity) {
    case Backlighting: List45_Click(); break;
    case Indicator: List49_Click(); break;
    case Dimmed: List46_Click(); break;
    }
}

// --- Assignment selection handlers -----------------------------------------------------

void FormModel::moduleSelected(int index)
{
    const AssignmentItem &item = assignmentItems[index];
    const int p = m_s.items[index].module;
    if (p < 0)
        return;
    const bool assigned = p != 0;
    setChannelVisible(index, assigned);
    if (item.follower >= 0)
        update(m_s.intensities[item.follower].visible, assigned);
    if (!assigned) {
        m_cfg.*item.selected = moduleList[p].value;
        return;
    }
    m_cfg.*item.moduleCode = moduleList[p].value;
    m_cfg.*item.selected = qint16(m_cfg.*item.channelCode + m_cfg.*item.moduleCode);
}

void FormModel::channelSelected(int index)
{
    const AssignmentItem &item = assignmentItems[index];
    const int q = m_s.items[index].channel;
    if (q < 0)
        return;
    m_cfg.*item.channelCode = channelList[q].value;
    m_cfg.*item.selected = qint16(m_cfg.*item.moduleCode + m_cfg.*item.channelCode);
    if (ConfigItems::hasDesignation(index))
        setDesignationVisible(index, true);
}

// --- Lighting intensities ----------------------------------------------------------------

int FormModel::pickedIntensityCode(int intensity)
{
    if (m_s.intensities[intensity].position == -1)
        selectIntensity(intensity, 0); // runs the handler for "100" first
    return intensityList[m_s.intensities[intensity].position].value;
}

void FormModel::List46_Click()
{
    m_cfg.dindpercent = qint16(pickedIntensityCode(Dimmed));
}

void FormModel::List45_Click()
{
    m_cfg.blpercent = qint16(pickedIntensityCode(Backlighting));
    if (m_cfg.indpercent < m_cfg.blpercent) {
        m_host.messageBox(intensityRule);
        selectIntensity(Backlighting, std::max(m_s.intensities[Indicator].position, 0));
        m_cfg.blpercent = intensityList[m_s.intensities[Backlighting].position].value;
    }
}

void FormModel::List49_Click()
{
    m_cfg.indpercent = qint16(pickedIntensityCode(Indicator));
    if (m_cfg.indpercent < m_cfg.blpercent) {
        m_host.messageBox(intensityRule);
        // The backlighting follows the indicator down, never the other way round.
        selectIntensity(Backlighting, m_s.intensities[Indicator].position);
        m_cfg.indpercent = intensityList[m_s.intensities[Indicator].position].value;
    }
}

// --- Boxes, visibility, status -------------------------------------------------------------

// Every change of what is shown is news for whoever draws the form.
template <typename T>
void FormModel::update(T &field, const T &value)
{
    if (field == value)
        return;
    field = value;
    emit changed();
}

void FormModel::setDesignation(int item, const QString &text)
{
    update(m_s.items[item].designation, text);
}

void FormModel::setPanelName(const QString &text)
{
    update(m_s.panelName, text);
}

void FormModel::setDesignationVisible(int item, bool visible)
{
    update(m_s.items[item].designationVisible, visible);
}

void FormModel::setModuleVisible(int item, bool visible)
{
    update(m_s.items[item].moduleVisible, visible);
}

void FormModel::setChannelVisible(int item, bool visible)
{
    update(m_s.items[item].channelVisible, visible);
}

void FormModel::setStatusText(const QString &text, const QString &detail)
{
    m_status.text = text;
    m_status.detail = detail.isEmpty() ? text : detail;
    emit changed();
}

void FormModel::setStatusColour(StatusColour colour)
{
    m_status.colour = colour;
    emit changed();
}

void FormModel::setStatusVisible(bool visible)
{
    m_status.visible = visible;
    emit changed();
}

// --- Views -------------------------------------------------------------------------------

void FormModel::showChannelFor(int item)
{
    setChannelVisible(item, m_s.items[item].module != 0);
}

void FormModel::show_switch_view(bool afterRead)
{
    m_s.framesVisible = false;
    m_s.view = View::Switches;
    for (int i = 0; i < switchCount; ++i)
        setDesignationVisible(i, !afterRead);
    for (int i = switchCount; i < designationCount; ++i)
        setDesignationVisible(i, false);
    for (int i = 0; i < switchCount; ++i) {
        setModuleVisible(i, true);
        showChannelFor(i);
    }
    for (int i = switchCount; i <= ConfigItems::backlightItem; ++i) { // the LEDs, then the backlight
        setModuleVisible(i, false);
        setChannelVisible(i, false);
    }
    m_s.captionItem = 0;
    emit changed();
}

void FormModel::Option2_Click()
{
    m_s.framesVisible = true;
    m_s.view = View::Lighting;
    for (int i = 0; i < switchCount; ++i)
        setDesignationVisible(i, false);
    for (int i = switchCount; i < designationCount; ++i)
        setDesignationVisible(i, true);
    for (int i = 0; i < switchCount; ++i) {
        setModuleVisible(i, false);
        setChannelVisible(i, false);
    }
    for (int i = switchCount; i <= ConfigItems::backlightItem; ++i) { // the LEDs, then the backlight
        setModuleVisible(i, true);
        showChannelFor(i);
    }
    m_s.captionItem = switchCount;
    emit changed();
}

// --- Codes to selections and back ----------------------------------------------------------

void FormModel::show_code(int item, qint16 code)
{
    const CodePositions positions = split_code(code, m_s.leftoverChannel);
    m_s.leftoverChannel = positions.channel;
    if (code < 0) {
        selectModule(item, 0);
        return;
    }
    selectModule(item, positions.module);
    if (positions.channel >= 0 && positions.channel < int(channelList.size()))
        selectChannel(item, positions.channel);
}

void FormModel::show_intensity(int intensity)
{
    qint16 &code = m_cfg.*intensityCodes[intensity];
    int pos = ::intensityPosition(code);
    if (pos <= 0) {
        code = 10;
        pos = 0;
    }
    selectIntensity(intensity, pos);
}

std::optional<MissingPick> FormModel::gather_config()
{
    for (int i = 0; i < int(assignmentItems.size()); ++i) {
        const State::Item &item = m_s.items[i];
        const std::optional<qint16> code = codeAt(item.module, item.channel); // "N/A": the channel plays no part
        if (!code)
            return MissingPick{i, item.module < 0};
        m_cfg.*assignmentItems[i].writeValue = *code;
    }
    show_switch_view();
    return std::nullopt;
}

FormModel::Gathering FormModel::gather()
{
    Gathering gathering;
    if (gather_config())
        gathering.missing = missingPicks();
    gathering.configuration = configuration();
    return gathering;
}

QList<MissingPick> FormModel::missingPicks() const
{
    QList<MissingPick> missing;
    for (int i = 0; i < int(m_s.items.size()); ++i) {
        const State::Item &item = m_s.items[i];
        if (!codeAt(item.module, item.channel))
            missing.append({i, item.module < 0});
    }
    return missing;
}

void FormModel::applyReadByte(int address, qint16 code)
{
    if (address == 0)
        m_s.found.fill(std::nullopt);
    m_s.found[address] = code;
    if (!PanelConfiguration::isItem(address)) {
        const Intensity intensity = PanelConfiguration::intensityAt(address);
        storeIntensityCode(intensity, code);
        show_intensity(intensity);
        return;
    }
    show_code(address, code);
    if (ConfigItems::hasDesignation(address)) {
        setDesignation(address, QString());
        setDesignationVisible(address, false);
    }
}

void FormModel::load(const PanelConfiguration &configuration)
{
    for (int address = 0; address < PanelConfiguration::byteCount; ++address)
        m_s.found[address] = configuration.byte(address);
    for (int i = 0; i < PanelConfiguration::itemCount; ++i)
        m_cfg.*assignmentItems[i].selected = configuration.codes[i];
    for (int k = 0; k < PanelConfiguration::intensityCount; ++k)
        storeIntensityCode(k, configuration.intensities[k]);

    setPanelName(configuration.panelName);
    for (int i = 0; i < PanelConfiguration::itemCount; ++i) {
        if (ConfigItems::hasDesignation(i))
            setDesignation(i, configuration.designations[i]);
        show_code(i, selectedCode(i));
    }
    show_blpercent();
    show_indpercent();
    show_dindpercent();
    show_switch_view();
}

PanelConfiguration FormModel::configuration() const
{
    PanelConfiguration configuration;
    for (int i = 0; i < PanelConfiguration::itemCount; ++i) {
        configuration.codes[i] = writeValue(i);
        if (ConfigItems::hasDesignation(i))
            configuration.designations[i] = m_s.items[i].designation;
    }
    for (int k = 0; k < PanelConfiguration::intensityCount; ++k)
        configuration.intensities[k] = intensityCode(k);
    configuration.panelName = m_s.panelName;
    return configuration;
}

qint16 FormModel::byteToWrite(int address) const
{
    if (PanelConfiguration::isItem(address))
        return writeValue(address);
    return intensityCode(PanelConfiguration::intensityAt(address));
}

QList<FormModel::Adjustment> FormModel::adjustments() const
{
    QList<Adjustment> list;
    for (int address = 0; address < PanelConfiguration::byteCount; ++address) {
        if (!m_s.found[address])
            continue;
        const std::optional<qint16> used = PanelConfiguration::isItem(address)
            ? codeAt(m_s.items[address].module, m_s.items[address].channel)
            : std::optional<qint16>(intensityCode(PanelConfiguration::intensityAt(address)));
        if (used && *used != *m_s.found[address])
            list.append({address, *m_s.found[address], *used});
    }
    return list;
}

std::optional<qint16> FormModel::shownCode(int address) const
{
    if (PanelConfiguration::isItem(address))
        return codeAt(m_s.items[address].module, m_s.items[address].channel);
    return intensityCode(PanelConfiguration::intensityAt(address));
}

void FormModel::take(const QList<std::pair<int, qint16>> &bytes)
{
    for (const auto &[address, code] : bytes) {
        m_s.found[address] = code;
        if (PanelConfiguration::isItem(address))
            show_code(address, code);
        else
            storeIntensityCode(PanelConfiguration::intensityAt(address), code);
    }
    for (const auto &[address, code] : bytes)
        if (!PanelConfiguration::isItem(address))
            show_intensity(PanelConfiguration::intensityAt(address));
}

void FormModel::restore(const State &state)
{
    if (state == m_s)
        return;
    m_s = state;
    emit changed();
}
