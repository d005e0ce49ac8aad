#pragma once

#include <QString>

#include <functional>

// Warnings that lower layers give from any thread (a trace file that cannot be written), each
// said once however many ports meet it. By default they go to standard error; a program that
// draws on standard error sets where they go instead.
namespace Warnings {

// Says `text` unless it has been said before.
void sayOnce(const QString &text);

// Where warnings go from now on; an empty function for standard error. Called from the
// thread that gives the warning.
void setSink(std::function<void(const QString &)> sink);

} // namespace Warnings
