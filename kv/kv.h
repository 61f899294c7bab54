/* Kv: the Quake 2 game-server query library.
 *
 * A caller creates a server record, refreshes it (one UDP status query and
 * one reply datagram), reads it through the accessors, renders it through
 * %-code templates and frees it. Records, their texts and loaded name lists
 * are allocated and released by this library only.
 *
 * Every call returns 0 or a negative result code (KV_ERR_*), or a pointer
 * that is null on failure, unless its comment says otherwise. Calls work
 * only on the records they are given: different records may be refreshed on
 * different threads at once; one record is never used by two threads at once.
 */
#ifndef KV_KV_H
#define KV_KV_H

#include <stdint.h>

#if defined(_WIN32)
#define KV_API
#else
#define KV_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. Their texts come from KvGetErrorString. */
enum {
    KV_OK = 0,
    KV_ERR_ARGUMENT = -1,       /* null record or argument, address 0 */
    KV_ERR_SOCKET = -4,         /* the UDP socket could not be opened */
    KV_ERR_CONNECT = -5,
    KV_ERR_SEND = -6,
    KV_ERR_RECEIVE = -7,        /* includes "port unreachable" answers */
    KV_ERR_TIMEOUT = -8,
    KV_ERR_NOT_QUAKE2 = -9,
    KV_ERR_PLAYER_LINE = -10,   /* a player line does not start with two integers */
    KV_ERR_OPEN = -11,          /* a list file could not be opened */
    KV_ERR_READ = -12,          /* a list file could not be read */
    KV_ERR_MEMORY = -13,
    KV_ERR_NO_PLAYER = -14,
    KV_ERR_REPLY_TOO_BIG = -15  /* the reply filled the whole receive buffer */
};

#define KV_DEFAULT_PORT 27910
#define KV_PING_UNKNOWN 0xFFFF
#define KV_PLAYERS_UNKNOWN 255

/* One player line of the last reply. */
typedef struct tagPlayer {
    char *name;               /* as received, after the name fix-up */
    int frags;
    int ping;                 /* ms, as sent by the server */
    struct tagPlayer *next;
} tagPlayer;

/* One key/value pair of the last reply (keys beginning with "hostname" or
 * "game" excepted). */
typedef struct tagRule {
    char *name;
    char *value;
    struct tagRule *next;
} tagRule;

/* One game server. Read it through the accessors below. */
typedef struct tagQServer {
    char *hostName;           /* the name the server is known by; may be null */
    char *serverName;         /* the server's own name; may be null */
    char *gameName;           /* the game (mod folder); may be null */
    uint16_t hostPort;        /* host byte order */
    uint32_t hostIP;          /* network byte order; 0 = no address */
    uint16_t ping;            /* ms of the last successful refresh; 0xFFFF unknown */
    uint8_t numberPlayers;    /* 255 unknown; saturates at 254 */
    uint8_t numberRules;      /* saturates at 255 */
    tagPlayer *firstPlayer;   /* sorted by frags, highest first */
    tagRule *firstRule;       /* in reverse order of arrival */
    int errorCode;            /* result of the last refresh */
} tagQServer;

/* An IPv4 address (network byte order) and a port (host byte order). */
typedef struct tagKvHOST {
    uint32_t ip;
    uint16_t port;
} tagKvHOST;

/* Records, refresh and release. */
KV_API int KvServerAlloc(tagQServer **out, unsigned long hostIP, unsigned short hostPort,
                         char *hostText, char *serverName, char *gameName,
                         unsigned short ping);
/* Queries the server once and refills the record. fixupNames is a name list
 * (or null); timeout is in whole seconds. */
KV_API int KvServerRefresh(tagQServer *server, char *fixupNames, long timeout,
                           int noHostNames);
KV_API int KvServerFree(tagQServer *server);
KV_API int KvServerFreePlayers(tagQServer *server);
KV_API int KvServerFreeRules(tagQServer *server);

/* Accessors. Returned texts belong to the record and stay valid until its
 * next refresh or free. */
KV_API char *KvServerGetHostName(tagQServer *server);
KV_API char *KvServerGetServerName(tagQServer *server);
KV_API char *KvServerGetGameName(tagQServer *server);
KV_API unsigned long KvServerGetHostIP(tagQServer *server);
KV_API unsigned short KvServerGetHostPort(tagQServer *server);
KV_API unsigned short KvServerGetPing(tagQServer *server);
KV_API unsigned char KvServerGetNumberPlayers(tagQServer *server);
KV_API int KvServerGetErrorCode(tagQServer *server);
KV_API tagPlayer *KvServerGetFirstPlayer(tagQServer *server);
KV_API tagRule *KvServerGetFirstRule(tagQServer *server);
KV_API tagPlayer *KvServerGetNextPlayer(tagQServer *server, tagPlayer *player);
KV_API tagRule *KvServerGetNextRule(tagQServer *server, tagRule *rule);
KV_API char *KvPlayerGetName(tagPlayer *player);
KV_API int KvPlayerGetFrags(tagPlayer *player);
KV_API int KvPlayerGetPing(tagPlayer *player);
KV_API char *KvRuleGetName(tagRule *rule);
KV_API char *KvRuleGetValue(tagRule *rule);

/* Lookups. */
KV_API char *KvServerGetRuleValue(tagQServer *server, char *key);
KV_API char *KvServerGetMapName(tagQServer *server);
KV_API unsigned char KvServerGetMaxClients(tagQServer *server);
/* "a.b.c.d" or "a.b.c.d:port" (port other than 27910), cut to size-1. */
KV_API char *KvServerGetHostIPString(tagQServer *server, char *buffer, int size);
/* The full level name of the server's map from a "map|Level name" list. */
KV_API int KvServerGetFullLevelName(tagQServer *server, char *buffer, unsigned size,
                                    char *levelList);
KV_API int KvServerGetPlayer(tagQServer *server, tagPlayer **out, char *name);
KV_API int KvServerGetPlayerRank(tagQServer *server, char *name);

/* Template expansion flags. */
enum {
    KV_EXPAND_SINGLE = 0x02,     /* use the template as it is (no rotation) */
    KV_EXPAND_TERMINATE = 0x08,  /* end with a zero byte */
    KV_EXPAND_CRLF = 0x10,       /* end with CR LF */
    KV_EXPAND_STDOUT = 0x20,     /* also write the text to standard output */
    KV_EXPAND_CAPTION = 0x40     /* captions instead of values */
};
/* Renders a %-code template. Returns the bytes written (ending included),
 * 0 for size <= 0, -1 when the text does not fit. */
KV_API int KvExpandParamLine(char *output, int size, tagPlayer *player, tagQServer *server,
                             char *templateText, char *levelList, int flags);

/* Host names, name lists and error texts. */
/* 0 on success, 1 on failure (not a negative code). */
KV_API int KvGetHostIP(tagKvHOST *host, char *text);
/* Reverse lookup of the server's address; the text is the calling thread's
 * own and valid until that thread's next lookup. Null when nothing is found. */
KV_API char *KvServerQueryHostName(tagQServer *server);
/* Loads a text file beside the running executable as a name list: one
 * string per non-empty line, ended by an empty string. Free with KvListFree. */
KV_API int KvListLoadAlloc(char **out, char *fileName);
KV_API int KvListFree(char *list);
KV_API char *KvGetErrorString(char *buffer, unsigned size, int code);

#ifdef __cplusplus
}
#endif

#endif /* KV_KV_H */
