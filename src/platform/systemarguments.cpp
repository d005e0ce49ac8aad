#include "systemarguments.h"

namespace SystemArguments {

std::optional<QStringList> text()
{
    return std::nullopt;
}

} // namespace SystemArguments
