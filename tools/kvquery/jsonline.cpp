#include "jsonline.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace kvquery {

namespace {

// The length of the valid UTF-8 sequence at p (end excluded), or 0 when
// the bytes there are none: overlong forms, surrogates and code points
// past U+10FFFF count as invalid.
size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end) {
    unsigned char c = p[0];
    size_t length;
    unsigned long min, value;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2, min = 0x80, value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3, min = 0x800, value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4, min = 0x10000, value = c & 0x07;
    } else {
        return 0;
    }
    if (static_cast<size_t>(end - p) < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return length;
}

void AppendEscapedByte(std::string* out, unsigned char c) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", c);
    out->append(escape);
}

void AppendKey(std::string* out, const char* key) {
    out->push_back('"');
    out->append(key);
    out->append("\":");
}

void AppendNumber(std::string* out, long long value) { out->append(std::to_string(value)); }

}  // namespace

void AppendJsonString(std::string* out, const char* text, size_t size) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = p + size;
    out->push_back('"');
    while (p < end) {
        unsigned char c = *p;
        size_t length = Utf8SequenceLength(p, end);
        if (length > 1) {
            out->append(reinterpret_cast<const char*>(p), length);
            p += length;
            continue;
        }
        ++p;
        if (length == 0) {
            AppendEscapedByte(out, c);
        } else if (c == '"' || c == '\\') {
            out->push_back('\\');
            out->push_back(static_cast<char>(c));
        } else if (c == '\n') {
            out->append("\\n");
        } else if (c == '\r') {
            out->append("\\r");
        } else if (c == '\t') {
            out->append("\\t");
        } else if (c < 0x20 || c == 0x7F) {
            AppendEscapedByte(out, c);
        } else {
            out->push_back(static_cast<char>(c));
        }
    }
    out->push_back('"');
}

void AppendJsonString(std::string* out, const char* text) {
    AppendJsonString(out, text ? text : "", text ? std::char_traits<char>::length(text) : 0);
}

std::string ServerJson(tagQServer* server, const std::string& host, char* levels) {
    std::string out = "{";
    char address[64];
    AppendKey(&out, "address");
    AppendJsonString(&out, KvServerGetHostIPString(server, address, sizeof address));
    out.push_back(',');
    AppendKey(&out, "host");
    AppendJsonString(&out, host.data(), host.size());

    int error = KvServerGetErrorCode(server);
    bool answered = error == KV_OK;
    out.push_back(',');
    AppendKey(&out, "name");
    AppendJsonString(&out, server->serverName);
    out.push_back(',');
    AppendKey(&out, "map");
    AppendJsonString(&out, answered ? KvServerGetMapName(server) : nullptr);
    char level[128] = "";
    if (answered) KvServerGetFullLevelName(server, level, sizeof level, levels);
    out.push_back(',');
    AppendKey(&out, "level");
    AppendJsonString(&out, level);
    out.push_back(',');
    AppendKey(&out, "game");
    AppendJsonString(&out, server->gameName);

    out.push_back(',');
    AppendKey(&out, "numPlayers");
    unsigned char players = KvServerGetNumberPlayers(server);
    if (!answered || players == KV_PLAYERS_UNKNOWN) out.append("null");
    else AppendNumber(&out, players);
    // The server's own "maxclients" rule, when it is a number.
    out.push_back(',');
    AppendKey(&out, "maxPlayers");
    const char* maxText = answered ? KvServerGetRuleValue(server, const_cast<char*>("maxclients")) : nullptr;
    char* maxEnd = nullptr;
    long maxPlayers = maxText && *maxText ? std::strtol(maxText, &maxEnd, 10) : 0;
    if (maxText && *maxText && maxEnd && *maxEnd == '\0') AppendNumber(&out, maxPlayers);
    else out.append("null");
    out.push_back(',');
    AppendKey(&out, "ping");
    unsigned short ping = KvServerGetPing(server);
    if (!answered || ping == KV_PING_UNKNOWN) out.append("null");
    else AppendNumber(&out, ping);

    out.push_back(',');
    AppendKey(&out, "error");
    AppendNumber(&out, error);
    char why[128] = "";
    if (!answered) KvGetErrorString(why, sizeof why, error);
    out.push_back(',');
    AppendKey(&out, "errorText");
    AppendJsonString(&out, why);

    // Rules in the order the server sent them (the record keeps them the
    // other way round).
    std::vector<tagRule*> rules;
    for (tagRule* r = KvServerGetFirstRule(server); r; r = KvServerGetNextRule(server, r)) rules.push_back(r);
    out.push_back(',');
    AppendKey(&out, "rules");
    out.push_back('{');
    for (size_t i = rules.size(); i-- > 0;) {
        AppendJsonString(&out, KvRuleGetName(rules[i]));
        out.push_back(':');
        AppendJsonString(&out, KvRuleGetValue(rules[i]));
        if (i > 0) out.push_back(',');
    }
    out.push_back('}');

    out.push_back(',');
    AppendKey(&out, "players");
    out.push_back('[');
    bool first = true;
    for (tagPlayer* p = KvServerGetFirstPlayer(server); p; p = KvServerGetNextPlayer(server, p)) {
        if (!first) out.push_back(',');
        first = false;
        out.push_back('{');
        AppendKey(&out, "name");
        AppendJsonString(&out, KvPlayerGetName(p));
        out.push_back(',');
        AppendKey(&out, "frags");
        AppendNumber(&out, KvPlayerGetFrags(p));
        out.push_back(',');
        AppendKey(&out, "ping");
        AppendNumber(&out, KvPlayerGetPing(p));
        out.push_back('}');
    }
    out.append("]}");
    return out;
}

}  // namespace kvquery
