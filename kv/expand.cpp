// Template expansion: %-codes to text about a server and one of its players.
#include "kv/internal.h"

#include <atomic>
#include <stdio.h>
#include <string.h>

static const char kDefaultTemplate[] = "%p,%s,%m,%f,%i";
// The longest text one code yields.
const size_t kCodeTextMax = 127;

// The rotation cursor: one per process, pointing into the caller's name
// list of templates. Atomic so that callers on several threads interfere
// only in which template they get, never in memory.
static std::atomic<const char *> rotationCursor{nullptr};

static const char *ChooseTemplate(const char *templateText, int flags) {
    if (flags & KV_EXPAND_SINGLE) return templateText;
    const char *cursor = rotationCursor.load();
    if (!cursor) {
        cursor = templateText;
    } else {
        cursor += strlen(cursor) + 1;
        if (!*cursor) cursor = templateText;
    }
    rotationCursor.store(cursor);
    return cursor;
}

struct CodeText {
    char text[kCodeTextMax + 1];
    size_t length;
};

static void SetText(CodeText *out, const char *text) {
    snprintf(out->text, sizeof out->text, "%s", text ? text : "");
    out->length = strlen(out->text);
}

static void SetNumber(CodeText *out, long value) {
    snprintf(out->text, sizeof out->text, "%ld", value);
    out->length = strlen(out->text);
}

static const char *Caption(char code) {
    switch (code) {
    case 'h': return "Host";
    case 'd': return "Host IP";
    case 's': return "Server";
    case 'p': return "Player";
    case 'm': return "Map";
    case 'l': return "Level";
    case 'n': return "#";
    case 'x': return "Max";
    case 'a': return "Top Fragger";
    case 'z': return "Worst Fragger";
    case 'r': return "Rank";
    case 'i': return "Ping";
    case 'y': return "Ping";
    case 'f': return "Frags";
    case 'g': return "Game";
    }
    return nullptr;
}

// The server's own name, else its host name, else its address; followed by
// the error text when its last refresh failed.
static void ServerLabel(CodeText *out, tagQServer *server) {
    char address[32];
    const char *name = server->serverName;
    if (!name || !*name) name = server->hostName;
    if (!name || !*name) name = KvServerGetHostIPString(server, address, sizeof address);
    if (server->errorCode != KV_OK)
        snprintf(out->text, sizeof out->text, "%s: %s", name, KvErrorText(server->errorCode));
    else
        snprintf(out->text, sizeof out->text, "%s", name);
    out->length = strlen(out->text);
}

static tagPlayer *LastPlayer(tagQServer *server) {
    tagPlayer *last = server ? server->firstPlayer : nullptr;
    while (last && last->next) last = last->next;
    return last;
}

// The value of one code. *player is the current player (%z may change it).
static void CodeValue(CodeText *out, char code, tagPlayer **player, tagQServer *server,
                      const char *levelList) {
    SetText(out, "");
    tagPlayer *current = *player;
    switch (code) {
    case 'h':
        if (server) SetText(out, server->hostName);
        break;
    case 'd':
        if (server) {
            KvServerGetHostIPString(server, out->text, sizeof out->text);
            out->length = strlen(out->text);
        }
        break;
    case 's':
        if (server) ServerLabel(out, server);
        break;
    case 'p':
        if (current) SetText(out, current->name);
        break;
    case 'm':
        SetText(out, KvServerGetMapName(server));
        break;
    case 'l': {
        char level[128];
        KvServerGetFullLevelName(server, level, sizeof level, (char *)levelList);
        SetText(out, level);
        break;
    }
    case 'n':
        if (server && server->numberPlayers != KV_PLAYERS_UNKNOWN)
            SetNumber(out, server->numberPlayers);
        break;
    case 'x':
        SetText(out, KvServerGetRuleValue(server, (char *)"maxclients"));
        break;
    case 'a':
        if (server && server->firstPlayer) SetText(out, server->firstPlayer->name);
        break;
    case 'z': {
        tagPlayer *last = LastPlayer(server);
        if (last) {
            SetText(out, last->name);
            *player = last;
        }
        break;
    }
    case 'r':
        if (current) SetNumber(out, KvServerGetPlayerRank(server, current->name));
        break;
    case 'i':
        if (current) SetNumber(out, current->ping);
        break;
    case 'y':
        if (server && server->ping != KV_PING_UNKNOWN) SetNumber(out, server->ping);
        break;
    case 'f':
        if (current) SetNumber(out, current->frags);
        break;
    case 'g':
        if (server) SetText(out, server->gameName);
        break;
    }
}

static bool UpperCased(char code) {
    return code != 'n' && code != 'r' && code != 'i' && code != 'f';
}

extern "C" int KvExpandParamLine(char *output, int size, tagPlayer *player, tagQServer *server,
                                 char *templateText, char *levelList, int flags) {
    if (!output || size <= 0) return 0;
    const char *t = ChooseTemplate(templateText, flags);
    if (!t || !*t) t = kDefaultTemplate;

    // count runs ahead of the write position by the bytes kept for the ending.
    const int reserved = ((flags & KV_EXPAND_CRLF) ? 2 : 0) + ((flags & KV_EXPAND_TERMINATE) ? 1 : 0);
    int count = reserved;
    char *w = output;
    bool fits = true;
    const bool caption = (flags & KV_EXPAND_CAPTION) != 0;

    while (*t) {
        if (count >= size) {
            fits = false;
            break;
        }
        if (*t != '%' || !t[1]) {
            *w++ = *t++;
            ++count;
            continue;
        }
        char letter = t[1];
        t += 2;
        char code = (letter >= 'A' && letter <= 'Z') ? (char)(letter - 'A' + 'a') : letter;
        CodeText text;
        if (code == '0') {
            text.text[0] = '\0';
            text.length = 1;
        } else if (code == 't') {
            SetText(&text, "\t");
        } else if (letter == '%') {
            SetText(&text, "%");
        } else if (!Caption(code)) {
            text.text[0] = '%';
            text.text[1] = letter;
            text.text[2] = '\0';
            text.length = 2;
        } else {
            if (caption) SetText(&text, Caption(code));
            else CodeValue(&text, code, &player, server, levelList);
            if (letter != code && UpperCased(code))
                for (size_t i = 0; i < text.length; ++i)
                    if (text.text[i] >= 'a' && text.text[i] <= 'z') text.text[i] -= 'a' - 'A';
        }
        if (count + (int)text.length > size) {
            fits = false;
            break;
        }
        memcpy(w, text.text, text.length);
        w += text.length;
        count += (int)text.length;
    }

    if (!fits) {
        // What was written stays; a terminated output is still terminated,
        // so a caller that ignores the -1 never reads past the buffer.
        if (flags & KV_EXPAND_TERMINATE) output[w - output < size ? w - output : size - 1] = '\0';
        return -1;
    }
    if (flags & KV_EXPAND_CRLF) {
        *w++ = '\r';
        *w++ = '\n';
    }
    if (flags & KV_EXPAND_TERMINATE) *w++ = '\0';
    if (flags & KV_EXPAND_STDOUT) {
        size_t textLength = (size_t)(w - output) - (size_t)reserved;
        fwrite(output, 1, textLength, stdout);
        fputc('\n', stdout);
    }
    return count;
}
