#include "systemarguments.h"

#include <windows.h>
#include <shellapi.h>

namespace SystemArguments {

std::optional<QStringList> text()
{
    int count = 0;
    wchar_t **arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!arguments)
        return std::nullopt;
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QString::fromWCharArray(arguments[i]);
    ::LocalFree(arguments);
    return list;
}

} // namespace SystemArguments
