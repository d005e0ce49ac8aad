#include "gatherconfig.h"

#include "model/selectortables.h"

void gather_config(PanelConfig &cfg, FormInterface &form)
{
    for (const AssignmentItem &item : assignmentItems) {
        const QString moduleList = QString::fromLatin1(item.moduleList);
        const QString channelList = QString::fromLatin1(item.channelList);
        const int module = form.position(moduleList);
        if (module == 0) { // "N/A": the channel plays no part
            cfg.*item.writeValue = qint16(form.itemValue(moduleList, 0));
            continue;
        }
        const int channel = form.position(channelList);
        if (module < 0 || channel < 0) {
            cfg.error_flag = item.incompleteFlag;
            return;
        }
        cfg.*item.writeValue = qint16(form.itemValue(moduleList, module) + form.itemValue(channelList, channel));
    }
    form.showSwitchView();
}
