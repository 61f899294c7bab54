// The shared library as callers load it: every export under its plain C
// name, and a refresh through the library's own start-up of the sockets.
#include "kv/kv.h"
#include "q2sim.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

const char *const kExports[] = {
    "KvServerAlloc", "KvServerRefresh", "KvServerFree", "KvServerFreePlayers",
    "KvServerFreeRules", "KvServerGetHostName", "KvServerGetServerName",
    "KvServerGetGameName", "KvServerGetHostIP", "KvServerGetHostPort", "KvServerGetPing",
    "KvServerGetNumberPlayers", "KvServerGetErrorCode", "KvServerGetFirstPlayer",
    "KvServerGetFirstRule", "KvServerGetNextPlayer", "KvServerGetNextRule", "KvPlayerGetName",
    "KvPlayerGetFrags", "KvPlayerGetPing", "KvRuleGetName", "KvRuleGetValue",
    "KvServerGetRuleValue", "KvServerGetMapName", "KvServerGetMaxClients",
    "KvServerGetHostIPString", "KvServerGetFullLevelName", "KvServerGetPlayer",
    "KvServerGetPlayerRank", "KvExpandParamLine", "KvGetHostIP", "KvServerQueryHostName",
    "KvListLoadAlloc", "KvListFree", "KvGetErrorString",
};

TEST(SharedLibrary, ExportsEveryCallByItsPlainName) {
#ifdef _WIN32
    HMODULE library = LoadLibraryA("Kv.dll");
    ASSERT_NE(library, nullptr);
    for (const char *name : kExports)
        EXPECT_NE((void *)GetProcAddress(library, name), nullptr) << name;
    FreeLibrary(library);
#else
    void *library = dlopen("libkv.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char *name : kExports) EXPECT_NE(dlsym(library, name), nullptr) << name;
    // Nothing but the calls above is visible.
    EXPECT_EQ(dlsym(library, "KvParseStatusReply"), nullptr);
    dlclose(library);
#endif
}

TEST(SharedLibrary, RefreshThroughTheLibrary) {
    q2sim::ServerConfig config;
    config.rules = {{"hostname", "Through the DLL"}, {"mapname", "q2dm1"}};
    config.players = {{1, 2, "p"}};
    q2sim::Simulator *sim = q2sim::Start({config});
    ASSERT_NE(sim, nullptr);
    tagKvHOST host;
    std::string text = "127.0.0.1:" + std::to_string(q2sim::Port(sim, 0));
    ASSERT_EQ(KvGetHostIP(&host, &text[0]), 0);
    tagQServer *server = nullptr;
    ASSERT_EQ(KvServerAlloc(&server, host.ip, host.port, &text[0], nullptr, nullptr, 0xFFFF), 0);
    EXPECT_EQ(KvServerRefresh(server, nullptr, 3, 1), 0);
    char line[128];
    EXPECT_GT(KvExpandParamLine(line, sizeof line, nullptr, server, (char *)"%s %n/%x %m", nullptr,
                                0x0A),
              0);
    EXPECT_STREQ(line, "Through the DLL 1/ q2dm1");
    KvServerFree(server);
    q2sim::Stop(sim);
}

}  // namespace
