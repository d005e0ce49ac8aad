#pragma once

#include "formhost.h"

// For a copy of the form tried out on the side: its boxes say nothing to anyone.
class QuietHost : public FormHost
{
public:
    void messageBox(const QString &, const QString &) override {}
};
