#include "codeselection.h"

void show_code(PanelConfig &cfg, FormInterface &form, const AssignmentItem &item, qint16 code)
{
    cfg.A = code;
    split_code(cfg);
    const QString moduleList = QString::fromLatin1(item.moduleList);
    if (code < 0) {
        form.selectPosition(moduleList, 0);
        return;
    }
    form.selectPosition(moduleList, cfg.m_index);
    if (cfg.c_index >= 0 && cfg.c_index < int(channelList.size()))
        form.selectPosition(QString::fromLatin1(item.channelList), cfg.c_index);
}

void show_intensity(PanelConfig &cfg, FormInterface &form, const IntensityItem &item)
{
    int pos = intensityPosition(cfg.*item.code);
    if (pos <= 0) {
        cfg.*item.code = 10;
        pos = 0;
    }
    form.selectPosition(QString::fromLatin1(item.list), pos);
}

void show_blpercent(PanelConfig &cfg, FormInterface &form) { show_intensity(cfg, form, intensityItems[0]); }
void show_indpercent(PanelConfig &cfg, FormInterface &form) { show_intensity(cfg, form, intensityItems[1]); }
void show_dindpercent(PanelConfig &cfg, FormInterface &form) { show_intensity(cfg, form, intensityItems[2]); }
