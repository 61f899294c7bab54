/* Parlet: the bridge to a running Ulo messenger client.
 *
 * The client offers its services through a hidden window titled
 * "Parlet Window". Each UloAPICall_ sends it one request as a WM_COPYDATA
 * message and waits at most 1000 ms; the client answers by sending its reply
 * to the library's own hidden callback window before the request returns.
 * The library turns the reply into the records below.
 *
 * Results: every UloAPICall_ returns 1 on success and 0 when the client is
 * not running, did not take the request within 1000 ms, sent no usable reply
 * data (where the call needs some), or memory ran out.
 *
 * Ownership: records and arrays handed out by the library are released only
 * with the UloAPIUtil_Free* calls. Records the caller passes in stay the
 * caller's.
 *
 * Threads: the library's windows belong to the thread that loaded it. Make
 * every call from that thread, one at a time. Replies and notifications are
 * dispatched while that thread waits in a call or pumps its messages.
 */
#ifndef PARLET_PARLET_H
#define PARLET_PARLET_H

#include <stddef.h>

#define PARLET_CALL __cdecl

#ifdef __cplusplus
extern "C" {
#endif

/* Title of the client's request window. */
#define ULO_CLIENT_WINDOW_TITLE "Parlet Window"

/* Request codes (the dwData of a request). */
enum {
    UloRequest_GetVersion = 1,
    UloRequest_GetDockingState = 2,
    UloRequest_GetFirewallSettings = 3,
    UloRequest_GetFullOwnerData = 4,
    UloRequest_GetFullUserData = 5,
    UloRequest_GetOnlineListDetails = 6,
    UloRequest_GetOnlineListHandle = 7,
    UloRequest_GetOnlineListPlacement = 8,
    UloRequest_GetWindowHandle = 9,
    UloRequest_RegisterNotify = 10,
    UloRequest_SendFile = 11,
    UloRequest_UnRegisterNotify = 12,
    UloRequest_GetOnlineListType = 13,
    UloRequest_GetGroupOnlineListDetails = 14
};

/* Clients whose version is above this send number5 in their user details. */
#define ULO_VERSION_WITH_NUMBER5 65536

/* One messenger user. Records made from a list (online list, group list)
 * hold only that list's numbers and zeros elsewhere until
 * UloAPICall_GetFullUserData fills them. Texts are NUL-terminated and cut to
 * their field. */
typedef struct UloUser {
    int uin;                  /* the user's number */
    int listValue;            /* second number of the online-list entry */
    int number1;
    char nickname[20];
    char text1[20];
    char text2[20];
    char text3[100];
    char text4[100];
    char text5[100];
    int number2;
    char text6[100];
    char text7[100];
    int number3;
    char text8[20];
    unsigned char flag;
    int number4;
    int number5;              /* 0 unless the client's version is above 65536 */
} UloUser;

/* One group of the client's contact list. users holds userCount records
 * with only uin set. */
typedef struct UloGroup {
    char name[50];
    int userCount;
    UloUser **users;
} UloGroup;

/* The client's firewall settings. */
typedef struct UloFirewallSettings {
    unsigned char firstFlag;
    unsigned char secondFlag;
    short kind;
    char text[512];
    int number;
    unsigned char extra;      /* sent only when kind is 5 */
} UloFirewallSettings;

/* Notification events, by the code the client sends. */
enum {
    UloAPINotify_OnlineListChange = 0,        /* fn(int) */
    UloAPINotify_FullUserDataChange = 1,      /* fn(int) */
    UloAPINotify_AppBarStateChange = 2,       /* fn(int) */
    UloAPINotify_OnlinePlacement_Change = 3,  /* fn(void) */
    UloAPINotify_OwnerChange = 4,             /* fn(int) */
    UloAPINotify_FullOwnerData_Change = 5,    /* fn(void) */
    UloAPINotify_OnlineListHandle_Change = 6, /* fn(int) */
    UloAPINotify_FileReceived = 8,            /* fn(const char *path) */
    UloAPINotify_CloseVistrel = 79            /* fn(void) */
};

/* Event codes must be below this to fit the subscription's event set. */
#define ULO_NOTIFY_CODE_LIMIT 80

/* A user function as stored; cast it from one of the three shapes below. */
typedef void (*UloNotifyFunc)(void);
typedef void (*UloNotifyNumberFunc)(int number);
/* The text is the library's copy, valid only during the call. */
typedef void (*UloNotifyTextFunc)(const char *text);

/* Request calls. version arguments are the client's version as
 * UloAPICall_GetVersion reported it. */
int PARLET_CALL UloAPICall_GetVersion(int *version);
int PARLET_CALL UloAPICall_GetDockingState(int *state);
/* Fills the caller's record as far as the reply goes; fields the reply does
 * not reach keep their values. */
int PARLET_CALL UloAPICall_GetFirewallSettings(UloFirewallSettings *settings);
/* *owner = a new record; release it with UloAPIUtil_FreeUser. */
int PARLET_CALL UloAPICall_GetFullOwnerData(UloUser **owner, int version);
/* user->uin selects the user; the detail fields are filled from the reply
 * (uin and listValue are not touched). 1 with the record unchanged when the
 * client sent no details. */
int PARLET_CALL UloAPICall_GetFullUserData(UloUser *user, int version);
/* *users = a new array of *count new records (null when *count is 0);
 * release it with UloAPIUtil_FreeUsers(*count, *users). */
int PARLET_CALL UloAPICall_GetOnlineListDetails(int *count, UloUser ***users);
int PARLET_CALL UloAPICall_GetOnlineListHandle(int unused);
int PARLET_CALL UloAPICall_GetOnlineListPlacement(int *placement);
int PARLET_CALL UloAPICall_GetWindowHandle(int unused);
/* Asks the client to send the file at path to the user uin. */
int PARLET_CALL UloAPICall_SendFile(int uin, const char *path);
int PARLET_CALL UloAPICall_GetOnlineListType(int *type);
/* *groups = a new array of *count new groups; release it with
 * UloAPIUtil_FreeGroups(*count, *groups). 1 with both outputs untouched when
 * the client sent no groups. */
int PARLET_CALL UloAPICall_GetGroupOnlineListDetails(int *count, UloGroup ***groups);
/* Sends any request. When both output pointers are given, *replyData and
 * *replyLength describe the library's copy of the reply: valid until the
 * next reply arrives, never released by the caller. */
int PARLET_CALL UloAPICall_Generic(int code, const void *data, int length,
                                   void **replyData, int *replyLength);

/* Notifications. The client sends the events codes[0..count-1] to the
 * library's notification window; codes of 80 and above are ignored.
 * Unsubscribe before unloading the library: it does not do so itself. */
int PARLET_CALL UloAPICall_RegisterNotify(int value, int count, const unsigned char *codes);
int PARLET_CALL UloAPICall_UnRegisterNotify(void);
/* Sets the function called for an event code; null switches it off. A code
 * without an event changes nothing. */
void PARLET_CALL UloAPIUtil_SetUserNotificationFunc(int code, UloNotifyFunc func);

/* Releases. Each accepts null. */
void PARLET_CALL UloAPIUtil_FreeUser(UloUser *user);
/* Releases users[0..count-1], then the array. */
void PARLET_CALL UloAPIUtil_FreeUsers(int count, UloUser **users);
/* Releases the group's user records and its users array, and leaves the
 * group empty; the group record itself stays. */
void PARLET_CALL UloAPIUtil_FreeGroup(UloGroup *group);
/* Releases groups[0..count-1] with everything they hold, then the array. */
void PARLET_CALL UloAPIUtil_FreeGroups(int count, UloGroup **groups);

#ifdef __cplusplus
}
#endif

/* The record layouts are the interface: programs read uin and nickname
 * directly. Pinned for the 32-bit and the 64-bit build. */
#ifdef __cplusplus
#define PARLET_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define PARLET_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif
PARLET_STATIC_ASSERT(sizeof(int) == 4 && sizeof(short) == 2, "32-bit int, 16-bit short");
PARLET_STATIC_ASSERT(offsetof(UloUser, uin) == 0, "UloUser.uin");
PARLET_STATIC_ASSERT(offsetof(UloUser, listValue) == 4, "UloUser.listValue");
PARLET_STATIC_ASSERT(offsetof(UloUser, number1) == 8, "UloUser.number1");
PARLET_STATIC_ASSERT(offsetof(UloUser, nickname) == 12, "UloUser.nickname");
PARLET_STATIC_ASSERT(offsetof(UloUser, text1) == 32, "UloUser.text1");
PARLET_STATIC_ASSERT(offsetof(UloUser, text2) == 52, "UloUser.text2");
PARLET_STATIC_ASSERT(offsetof(UloUser, text3) == 72, "UloUser.text3");
PARLET_STATIC_ASSERT(offsetof(UloUser, text4) == 172, "UloUser.text4");
PARLET_STATIC_ASSERT(offsetof(UloUser, text5) == 272, "UloUser.text5");
PARLET_STATIC_ASSERT(offsetof(UloUser, number2) == 372, "UloUser.number2");
PARLET_STATIC_ASSERT(offsetof(UloUser, text6) == 376, "UloUser.text6");
PARLET_STATIC_ASSERT(offsetof(UloUser, text7) == 476, "UloUser.text7");
PARLET_STATIC_ASSERT(offsetof(UloUser, number3) == 576, "UloUser.number3");
PARLET_STATIC_ASSERT(offsetof(UloUser, text8) == 580, "UloUser.text8");
PARLET_STATIC_ASSERT(offsetof(UloUser, flag) == 600, "UloUser.flag");
PARLET_STATIC_ASSERT(offsetof(UloUser, number4) == 604, "UloUser.number4");
PARLET_STATIC_ASSERT(offsetof(UloUser, number5) == 608, "UloUser.number5");
PARLET_STATIC_ASSERT(sizeof(UloUser) == 612, "UloUser size");
PARLET_STATIC_ASSERT(offsetof(UloGroup, name) == 0, "UloGroup.name");
PARLET_STATIC_ASSERT(offsetof(UloGroup, userCount) == 52, "UloGroup.userCount");
PARLET_STATIC_ASSERT(offsetof(UloGroup, users) == 56, "UloGroup.users");
PARLET_STATIC_ASSERT(sizeof(UloGroup) == 56 + sizeof(void *), "UloGroup size");
PARLET_STATIC_ASSERT(offsetof(UloFirewallSettings, firstFlag) == 0, "UloFirewallSettings.firstFlag");
PARLET_STATIC_ASSERT(offsetof(UloFirewallSettings, secondFlag) == 1, "UloFirewallSettings.secondFlag");
PARLET_STATIC_ASSERT(offsetof(UloFirewallSettings, kind) == 2, "UloFirewallSettings.kind");
PARLET_STATIC_ASSERT(offsetof(UloFirewallSettings, text) == 4, "UloFirewallSettings.text");
PARLET_STATIC_ASSERT(offsetof(UloFirewallSettings, number) == 516, "UloFirewallSettings.number");
PARLET_STATIC_ASSERT(offsetof(UloFirewallSettings, extra) == 520, "UloFirewallSettings.extra");
PARLET_STATIC_ASSERT(sizeof(UloFirewallSettings) == 524, "UloFirewallSettings size");
#undef PARLET_STATIC_ASSERT

#endif
