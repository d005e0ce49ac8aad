#include "panelconfiguration.h"

qint16 PanelConfiguration::byte(int address) const
{
    return isItem(address) ? codes[address] : intensities[intensityAt(address)];
}

void PanelConfiguration::setByte(int address, qint16 value)
{
    (isItem(address) ? codes[address] : intensities[intensityAt(address)]) = value;
}

PanelConfiguration::MemoryImage PanelConfiguration::memoryImage() const
{
    MemoryImage image{};
    for (int address = 0; address < byteCount; ++address)
        image[address] = byte(address);
    return image;
}

PanelConfiguration PanelConfiguration::fromMemoryImage(const MemoryImage &image)
{
    PanelConfiguration configuration;
    for (int address = 0; address < byteCount; ++address)
        configuration.setByte(address, image[address]);
    return configuration;
}

QString PanelConfiguration::name(int address)
{
    return QString::fromLatin1(ConfigItems::rows[address].name);
}
