#pragma once

#include "fakeline.h"

#include <QMap>
#include <array>

// A panel played on an in-process line: it answers the attention, read and write commands
// at once, from a memory of 64 bytes, with the faults a test asks for.
struct FakePanel
{
    std::array<int, 64> memory{};
    bool silent = false;
    int noVerify = -1;               // stores something else at this address
    QMap<int, QByteArray> replies;   // reads of these addresses answer with these bytes

    explicit FakePanel(FakeLine &line, int model = 74)
    {
        memory.fill(0);
        memory[63] = model;
        for (int address = 0; address < 14; ++address)
            memory[address] = 160;
        for (int address = 14; address < 17; ++address)
            memory[address] = 10;
        line.onOutput = [this, &line](const QByteArray &bytes) {
            if (silent)
                return;
            const int address = bytes.size() > 2 ? uchar(bytes[2]) : 0;
            if (bytes == "A") {
                line.deliver("D000D");
            } else if (bytes.startsWith('V')) {
                line.deliver(replies.value(address, QByteArray::number(memory[address] * 10).rightJustified(5, '0')));
            } else if (bytes.startsWith('S')) {
                memory[address] = uchar(bytes[4]) + (address == noVerify ? 1 : 0);
                line.deliver("D000D");
            }
        };
    }
};
