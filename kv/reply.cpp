// Recognising and parsing a Quake 2 status reply.
//
// The reply is "\xFF\xFF\xFF\xFFprint\n", an info string of \key\value
// pairs ended by a line feed, then one line per player: frags, ping and the
// quoted name. Everything here works within the received bytes; a zero byte
// inside the datagram ends the text as it would end a C string.
#include "kv/internal.h"

#include <stdlib.h>
#include <string.h>

static const char *FindChar(const char *from, const char *end, char c) {
    return (const char *)memchr(from, c, (size_t)(end - from));
}

// Puts a "100% " prefix back on a player name that a server mangled when it
// printed it: the percent sign and the one or two characters after it are
// lost, so "100% Brakkon" arrives as "100rakkon" or "100akkon". The fix-up
// list names the players (without the prefix). Returns a new text, or null
// when the name stays as it is (or memory ran out: *failed tells).
static char *FixupName(const char *name, size_t size, const char *fixupNames, bool *failed) {
    *failed = false;
    if (!fixupNames || !*fixupNames || size < 3 || memcmp(name, "100", 3) != 0) return nullptr;
    for (const char *entry = fixupNames; *entry; entry += strlen(entry) + 1) {
        size_t length = strlen(entry);
        // A comparison of no characters at all proves nothing: an entry of
        // one or two letters must not rename every "100..." player.
        bool match = false;
        for (size_t lost = 1; lost <= 2 && !match; ++lost) {
            size_t compare = length > lost ? length - lost : 0;
            if (compare == 0 || compare > size) continue;
            match = KvPrefixNoCase(name + size - compare, compare, entry + lost);
        }
        if (match) {
            char *fixed = (char *)malloc(5 + length + 1);
            if (!fixed) {
                *failed = true;
                return nullptr;
            }
            memcpy(fixed, "100% ", 5);
            memcpy(fixed + 5, entry, length + 1);
            return fixed;
        }
    }
    return nullptr;
}

static bool AddRule(tagQServer *server, const char *key, size_t keySize, const char *value,
                    size_t valueSize) {
    tagRule *rule = (tagRule *)calloc(1, sizeof(tagRule));
    if (!rule) return false;
    rule->name = KvCopyText(key, keySize);
    rule->value = KvCopyText(value, valueSize);
    if (!rule->name || !rule->value) {
        free(rule->name);
        free(rule->value);
        free(rule);
        return false;
    }
    rule->next = server->firstRule;
    server->firstRule = rule;
    if (server->numberRules < kKvMaxRuleCount) server->numberRules++;
    return true;
}

static bool AddPlayer(tagQServer *server, int frags, int ping, const char *name, size_t size,
                      const char *fixupNames) {
    tagPlayer *player = (tagPlayer *)calloc(1, sizeof(tagPlayer));
    if (!player) return false;
    bool failed;
    player->name = FixupName(name, size, fixupNames, &failed);
    if (!player->name && !failed) player->name = KvCopyText(name, size);
    if (!player->name) {
        free(player);
        return false;
    }
    player->frags = frags;
    player->ping = ping;
    player->next = server->firstPlayer;
    server->firstPlayer = player;
    // Every player stays in the list; the count saturates below "unknown".
    if (server->numberPlayers < kKvMaxPlayerCount) server->numberPlayers++;
    return true;
}

// Highest frags first, equal frags in the order the server sent them. The
// list arrives reversed (players are added at its head), so it is turned
// around first and then merge-sorted, which keeps equal records in order,
// needs no memory and cannot lose a record.
static tagPlayer *SortPlayers(tagPlayer *list) {
    tagPlayer *reversed = nullptr;
    while (list) {
        tagPlayer *next = list->next;
        list->next = reversed;
        reversed = list;
        list = next;
    }
    list = reversed;

    size_t runs = 1;
    for (size_t width = 1; runs > 1 || width == 1; width *= 2) {
        runs = 0;
        tagPlayer *head = nullptr, **tail = &head;
        while (list) {
            ++runs;
            tagPlayer *left = list, *right = list;
            size_t leftSize = 0, rightSize = width;
            while (right && leftSize < width) {
                right = right->next;
                ++leftSize;
            }
            while (leftSize > 0 || (rightSize > 0 && right)) {
                tagPlayer **take;
                if (leftSize == 0) take = &right;
                else if (rightSize == 0 || !right) take = &left;
                else take = right->frags > left->frags ? &right : &left;
                tagPlayer *node = *take;
                *take = node->next;
                if (take == &left) --leftSize;
                else --rightSize;
                *tail = node;
                tail = &node->next;
            }
            list = right;
        }
        *tail = nullptr;
        list = head;
    }
    return list;
}

// Servers name their game under several keys, often sorted by name (game,
// gamedate, gamedir, gamename): the mod folder is the "game" key, else
// "gamedir", else "gamename" (the game library), else any other key that
// begins with "game". Among keys of one kind the last one wins.
static int GameKeyRank(const char *key, size_t size) {
    if (size == 4) return 3;
    if (size == 7 && KvPrefixNoCase(key, size, "gamedir")) return 2;
    if (size == 8 && KvPrefixNoCase(key, size, "gamename")) return 1;
    return 0;
}

// One pass over the text of a recognised reply: info string, then players.
static int ParseReplyText(tagQServer *server, const char *p, const char *end,
                          const char *fixupNames) {
    server->numberPlayers = 0;
    int result = KV_OK;
    int gameRank = -1;
    while (p < end) {
        if (*p == '\\') {
            const char *key = p + 1;
            const char *keyEnd = FindChar(key, end, '\\');
            if (!keyEnd) break;
            const char *value = keyEnd + 1;
            const char *valueEnd = FindChar(value, end, '\\');
            if (!valueEnd) valueEnd = FindChar(value, end, '\n');
            if (!valueEnd) {
                // The info string never ended: this is no status reply.
                result = KV_ERR_NOT_QUAKE2;
                break;
            }
            size_t keySize = (size_t)(keyEnd - key), valueSize = (size_t)(valueEnd - value);
            bool ok;
            if (KvPrefixNoCase(key, keySize, "hostname"))
                ok = KvReplaceText(&server->serverName, value, valueSize);
            else if (KvPrefixNoCase(key, keySize, "game")) {
                int rank = GameKeyRank(key, keySize);
                ok = rank < gameRank || KvReplaceText(&server->gameName, value, valueSize);
                if (rank > gameRank) gameRank = rank;
            }
            else
                ok = AddRule(server, key, keySize, value, valueSize);
            if (!ok) return KV_ERR_MEMORY;
            p = valueEnd;
        } else if (*p == '\n') {
            const char *line = p + 1;
            if (line >= end) break;
            int frags, ping;
            const char *q;
            if (!KvReadInt(line, end, &frags, &q) || !KvReadInt(q, end, &ping, &q)) {
                result = KV_ERR_PLAYER_LINE;
                break;
            }
            while (q < end && (*q == ' ' || (*q >= '\t' && *q <= '\r'))) ++q;
            if (q >= end || *q != '"') break;
            const char *name = q + 1;
            const char *nameEnd = FindChar(name, end, '"');
            if (!nameEnd) break;
            if (!AddPlayer(server, frags, ping, name, (size_t)(nameEnd - name), fixupNames))
                return KV_ERR_MEMORY;
            p = nameEnd + 1;
        } else {
            ++p;
        }
    }
    server->firstPlayer = SortPlayers(server->firstPlayer);
    return result;
}

int KvParseStatusReply(tagQServer *server, const char *data, size_t size,
                       const char *fixupNames) {
    // The first four bytes (normally 0xFF) are not looked at.
    if (size < 11 || memcmp(data + 4, "print\n", 6) != 0) return KV_ERR_NOT_QUAKE2;
    const char *text = data + 10;
    // The text ends at the first zero byte, if the datagram holds one.
    const char *zero = (const char *)memchr(text, '\0', size - 10);
    const char *end = zero ? zero : data + size;
    if (text == end || *text != '\\') {
        // Some servers print one more line before the info string.
        const char *lineFeed = FindChar(text, end, '\n');
        if (!lineFeed || lineFeed + 1 >= end || lineFeed[1] != '\\') return KV_ERR_NOT_QUAKE2;
        text = lineFeed + 1;
    }
    return ParseReplyText(server, text, end, fixupNames);
}
