// Reading server, player and rule records: accessors, lookups, address
// strings, level names and player ranks.
#include "kv/internal.h"

#include <stdio.h>
#include <string.h>

extern "C" {

char *KvServerGetHostName(tagQServer *s) { return s ? s->hostName : nullptr; }
char *KvServerGetServerName(tagQServer *s) { return s ? s->serverName : nullptr; }
char *KvServerGetGameName(tagQServer *s) { return s ? s->gameName : nullptr; }
unsigned long KvServerGetHostIP(tagQServer *s) { return s ? s->hostIP : 0; }
unsigned short KvServerGetHostPort(tagQServer *s) { return s ? s->hostPort : 0; }
unsigned short KvServerGetPing(tagQServer *s) { return s ? s->ping : KV_PING_UNKNOWN; }
unsigned char KvServerGetNumberPlayers(tagQServer *s) {
    return s ? s->numberPlayers : KV_PLAYERS_UNKNOWN;
}
int KvServerGetErrorCode(tagQServer *s) { return s ? s->errorCode : KV_ERR_ARGUMENT; }
tagPlayer *KvServerGetFirstPlayer(tagQServer *s) { return s ? s->firstPlayer : nullptr; }
tagRule *KvServerGetFirstRule(tagQServer *s) { return s ? s->firstRule : nullptr; }
tagPlayer *KvServerGetNextPlayer(tagQServer *, tagPlayer *p) { return p ? p->next : nullptr; }
tagRule *KvServerGetNextRule(tagQServer *, tagRule *r) { return r ? r->next : nullptr; }
char *KvPlayerGetName(tagPlayer *p) { return p ? p->name : nullptr; }
int KvPlayerGetFrags(tagPlayer *p) { return p ? p->frags : -1; }
int KvPlayerGetPing(tagPlayer *p) { return p ? p->ping : -1; }
char *KvRuleGetName(tagRule *r) { return r ? r->name : nullptr; }
char *KvRuleGetValue(tagRule *r) { return r ? r->value : nullptr; }

char *KvServerGetRuleValue(tagQServer *server, char *key) {
    if (!server || !key) return nullptr;
    // The list runs newest first: a key the reply repeats gives its last value.
    for (tagRule *rule = server->firstRule; rule; rule = rule->next)
        if (KvEqualNoCase(rule->name, key)) return rule->value;
    return nullptr;
}

char *KvServerGetMapName(tagQServer *server) {
    char *map = KvServerGetRuleValue(server, (char *)"mapname");
    return map ? map : KvServerGetRuleValue(server, (char *)"map");
}

unsigned char KvServerGetMaxClients(tagQServer *server) {
    if (!server) return 255;
    const char *text = KvServerGetRuleValue(server, (char *)"maxclients");
    if (!text) return 0;
    // The low 8 bits of the decimal number, however long it is.
    const char *p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    unsigned value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) value = (value * 10 + (unsigned)(*p - '0')) & 0xFF;
    return (unsigned char)(negative ? (256 - value) & 0xFF : value);
}

char *KvServerGetHostIPString(tagQServer *server, char *buffer, int size) {
    if (!server || !buffer) return nullptr;
    if (size <= 0) return buffer;
    const unsigned char *octet = (const unsigned char *)&server->hostIP;
    char port[8] = "";
    if (server->hostPort != KV_DEFAULT_PORT) snprintf(port, sizeof port, ":%u", server->hostPort);
    snprintf(buffer, (size_t)size, "%u.%u.%u.%u%s", octet[0], octet[1], octet[2], octet[3], port);
    return buffer;
}

int KvServerGetFullLevelName(tagQServer *server, char *buffer, unsigned size, char *levelList) {
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    const char *map = KvServerGetMapName(server);
    if (!map) return 0;
    const char *result = map;
    size_t mapLength = strlen(map);
    // Entries read "map|Level name"; an entry matches every map name that
    // begins with its key, and the first match wins.
    for (const char *entry = levelList; entry && *entry; entry += strlen(entry) + 1) {
        const char *bar = strchr(entry, '|');
        if (!bar) continue;
        size_t keyLength = (size_t)(bar - entry);
        if (keyLength <= mapLength && KvSameNoCase(map, entry, keyLength)) {
            result = bar + 1;
            break;
        }
    }
    snprintf(buffer, size, "%s", result);
    return 0;
}

int KvServerGetPlayer(tagQServer *server, tagPlayer **out, char *name) {
    if (!server || !out || !name) return KV_ERR_ARGUMENT;
    for (tagPlayer *player = server->firstPlayer; player; player = player->next) {
        if (strcmp(player->name, name) == 0) {
            *out = player;
            return KV_OK;
        }
    }
    return KV_ERR_NO_PLAYER;
}

int KvServerGetPlayerRank(tagQServer *server, char *name) {
    if (!server || !name) return KV_ERR_ARGUMENT;
    int rank = 1;
    for (tagPlayer *player = server->firstPlayer; player; player = player->next, ++rank)
        if (strcmp(player->name, name) == 0) return rank;
    return KV_ERR_NO_PLAYER;
}

}  // extern "C"
