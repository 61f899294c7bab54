// Helpers for tests that see the library's internals.
#ifndef PARLET_TESTS_CORE_SUPPORT_H
#define PARLET_TESTS_CORE_SUPPORT_H

#include <string>

#include "parlet/internal.h"

// Blocks the caller owns: everything allocated but the reply slot's copy.
inline long OwnedBlocks()
{
    return g_parlet.liveBlocks - (g_parlet.replyData ? 1 : 0);
}

// Configuration lines giving user uin a value in every detail field.
inline std::string DetailLines(int uin, const std::string &nickname)
{
    std::string u = "user " + std::to_string(uin) + " ";
    std::string lines = u + "nickname " + nickname + "\n";
    for (int i = 1; i <= 8; i++)
        lines += u + "text" + std::to_string(i) + " t" + std::to_string(i) + "-" +
                 std::to_string(uin) + "\n";
    for (int i = 1; i <= 5; i++)
        lines += u + "number" + std::to_string(i) + " " + std::to_string(uin * 10 + i) + "\n";
    lines += u + "flag 7\n";
    return lines;
}

#endif
