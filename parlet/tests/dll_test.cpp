// Parlet.dll as a program loads it: its exports by plain name, its windows
// made at load time, and a round trip with the stand-in.
#include <gtest/gtest.h>

#include <string.h>

#include "client_fixture.h"
#include "parlet/parlet.h"

namespace {

const char *const kExports[] = {
    "UloAPICall_GetVersion",
    "UloAPICall_GetDockingState",
    "UloAPICall_GetFirewallSettings",
    "UloAPICall_GetFullOwnerData",
    "UloAPICall_GetFullUserData",
    "UloAPICall_GetOnlineListDetails",
    "UloAPICall_GetOnlineListHandle",
    "UloAPICall_GetOnlineListPlacement",
    "UloAPICall_GetWindowHandle",
    "UloAPICall_SendFile",
    "UloAPICall_GetOnlineListType",
    "UloAPICall_GetGroupOnlineListDetails",
    "UloAPICall_Generic",
    "UloAPICall_RegisterNotify",
    "UloAPICall_UnRegisterNotify",
    "UloAPIUtil_SetUserNotificationFunc",
    "UloAPIUtil_FreeUser",
    "UloAPIUtil_FreeUsers",
    "UloAPIUtil_FreeGroup",
    "UloAPIUtil_FreeGroups",
};

TEST(ParletDll, ExportsEveryCallByItsPlainName)
{
    HMODULE library = GetModuleHandleA("Parlet.dll");
    ASSERT_NE(library, nullptr);
    for (const char *name : kExports)
        EXPECT_NE(GetProcAddress(library, name), nullptr) << name;
}

struct FoundWindows {
    HWND callback;
    HWND notification;
};

BOOL CALLBACK CollectLibraryWindow(HWND window, LPARAM context)
{
    FoundWindows *found = (FoundWindows *)context;
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, "UloUloAPI-CALLBACK") == 0)
        found->callback = window;
    else if (strcmp(name, "UloUloAPI-NOTIFICATION") == 0)
        found->notification = window;
    return TRUE;
}

FoundWindows LibraryWindows()
{
    FoundWindows found = {nullptr, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), CollectLibraryWindow, (LPARAM)&found);
    return found;
}

TEST(ParletDll, WindowsExistOnceLoaded)
{
    FoundWindows found = LibraryWindows();
    ASSERT_NE(found.callback, nullptr);
    ASSERT_NE(found.notification, nullptr);
    for (HWND window : {found.callback, found.notification}) {
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & WS_POPUP, WS_POPUP);
        EXPECT_EQ(GetParent(window), nullptr);
        EXPECT_EQ(GetWindowTextLengthA(window), 0);
        EXPECT_EQ((HMODULE)GetWindowLongPtrA(window, GWLP_HINSTANCE), GetModuleHandleA("Parlet.dll"));
    }
}

int g_onlineListChanges;
void OnOnlineListChange(int number)
{
    g_onlineListChanges += number;
}

using ParletDllClient = ClientTest;

TEST_F(ParletDllClient, RoundTrip)
{
    StartClient("version 65537\nowner 1234\nuser 1234 nickname Me\nonline 7 1\n");
    // The stand-in's owner window carries the owner's number.
    HWND ownerWindow = FindWindowA(nullptr, "1234");
    ASSERT_NE(ownerWindow, nullptr);
    DWORD ownerProcess = 0;
    GetWindowThreadProcessId(ownerWindow, &ownerProcess);
    EXPECT_EQ(ownerProcess, stub_.process.dwProcessId);

    int version = 0;
    ASSERT_EQ(UloAPICall_GetVersion(&version), 1);
    EXPECT_EQ(version, 65537);
    UloUser *owner = nullptr;
    ASSERT_EQ(UloAPICall_GetFullOwnerData(&owner, version), 1);
    EXPECT_EQ(owner->uin, 1234);
    EXPECT_STREQ(owner->nickname, "Me");
    UloAPIUtil_FreeUser(owner);
    int count = 0;
    UloUser **users = nullptr;
    ASSERT_EQ(UloAPICall_GetOnlineListDetails(&count, &users), 1);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(users[0]->uin, 7);
    UloAPIUtil_FreeUsers(count, users);
    EXPECT_EQ(UloAPICall_SendFile(7, "C:\\info.txt"), 1);
    EXPECT_EQ(Log("sendfile"), std::vector<std::string>{"sendfile 7,C:\\info.txt"});

    UloAPIUtil_SetUserNotificationFunc(UloAPINotify_OnlineListChange,
                                       (UloNotifyFunc)OnOnlineListChange);
    const unsigned char codes[] = {UloAPINotify_OnlineListChange};
    ASSERT_EQ(UloAPICall_RegisterNotify(0, 1, codes), 1);
    const char notice[] = "0 int 5";
    ASSERT_EQ(UloAPICall_Generic(1000, notice, sizeof notice, nullptr, nullptr), 1);
    EXPECT_EQ(g_onlineListChanges, 5);
    ASSERT_EQ(UloAPICall_UnRegisterNotify(), 1);
    UloAPIUtil_SetUserNotificationFunc(UloAPINotify_OnlineListChange, nullptr);

    // A callback window destroyed from outside is made again for the next call.
    HWND old = LibraryWindows().callback;
    ASSERT_TRUE(DestroyWindow(old));
    ASSERT_EQ(LibraryWindows().callback, nullptr);
    version = 0;
    ASSERT_EQ(UloAPICall_GetVersion(&version), 1);
    EXPECT_EQ(version, 65537);
    EXPECT_NE(LibraryWindows().callback, nullptr);
}

} // namespace
