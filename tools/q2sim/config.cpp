// The simulator's configuration files.
//
// A file is a list of lines "keyword arguments". Blank lines and lines whose
// first non-blank character is '#' are ignored.
//
//   base-port N        server 1 listens on port N, server 2 on N+1, and so on
//                      (before the first server; default: any free ports)
//   server             starts the next server; the lines up to the next
//                      "server" describe it
//   rule KEY VALUE     one info key and its value, sent in file order; VALUE
//                      is the rest of the line and may be empty or hold spaces
//   player F P NAME    a player with F frags and P ms ping; NAME is the rest
//                      of the line (surrounding double quotes are removed)
//   delay MS           wait MS milliseconds before each reply
//   mode M             reply, silent, garbage, oversized, raw or extraline
//   raw TEXT           the datagram that mode raw sends
//   extra TEXT         the line that mode extraline prints before the info
//
// Texts (VALUE, NAME, raw and extra TEXT) take the escapes \\ \n \r \t \"
// and \xHH, so a file can describe hostile replies; a single backslash
// before any other character is an error. Blanks at the end of a line are
// dropped (write \x20 to keep one).
#include <cerrno>
#include <cstdlib>

#include "q2sim.h"

namespace q2sim {

namespace {

bool Unescape(const std::string& in, std::string* out, std::string* why) {
    out->clear();
    for (size_t i = 0; i < in.size(); ++i) {
        char c = in[i];
        if (c != '\\') {
            *out += c;
            continue;
        }
        if (++i == in.size()) {
            *why = "a backslash ends the line (write \\\\ for one backslash)";
            return false;
        }
        switch (in[i]) {
        case '\\': *out += '\\'; break;
        case 'n': *out += '\n'; break;
        case 'r': *out += '\r'; break;
        case 't': *out += '\t'; break;
        case '"': *out += '"'; break;
        case 'x': {
            auto hex = [](char h) {
                if (h >= '0' && h <= '9') return h - '0';
                if (h >= 'a' && h <= 'f') return h - 'a' + 10;
                if (h >= 'A' && h <= 'F') return h - 'A' + 10;
                return -1;
            };
            int hi = i + 1 < in.size() ? hex(in[i + 1]) : -1;
            int lo = i + 2 < in.size() ? hex(in[i + 2]) : -1;
            if (hi < 0 || lo < 0) {
                *why = "\\x needs two hex digits";
                return false;
            }
            *out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            *why = std::string("unknown escape \\") + in[i] + " (write \\\\ for one backslash)";
            return false;
        }
    }
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The next blank-separated word of line from *pos; *pos moves past it and
// the blanks after it.
std::string NextWord(const std::string& line, size_t* pos) {
    size_t start = *pos;
    while (*pos < line.size() && !IsBlank(line[*pos])) ++*pos;
    std::string word = line.substr(start, *pos - start);
    while (*pos < line.size() && IsBlank(line[*pos])) ++*pos;
    return word;
}

// A whole decimal number in [lo, hi].
bool ParseNumber(const std::string& text, long lo, long hi, long* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || v < lo || v > hi) return false;
    *value = v;
    return true;
}

}  // namespace

bool ParseConfig(const std::string& text, ConfigFile* out, std::string* error) {
    ConfigFile file;
    ServerConfig* server = nullptr;
    size_t lineNo = 0;
    size_t start = 0;
    auto fail = [&](const std::string& why) {
        *error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        while (!line.empty() && (line.back() == '\r' || IsBlank(line.back()))) line.pop_back();
        size_t pos = 0;
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos == line.size() || line[pos] == '#') continue;

        std::string keyword = NextWord(line, &pos);
        std::string rest = line.substr(pos);
        if (keyword == "server") {
            if (!rest.empty()) return fail("\"server\" takes no arguments");
            file.servers.emplace_back();
            server = &file.servers.back();
            continue;
        }
        if (keyword == "base-port") {
            long port;
            if (server) return fail("base-port must come before the first server");
            if (!ParseNumber(rest, 1, 65535, &port)) return fail("base-port needs a port from 1 to 65535");
            file.basePort = static_cast<uint16_t>(port);
            continue;
        }
        if (!server) return fail("\"" + keyword + "\" outside a server (start one with \"server\")");

        std::string why;
        if (keyword == "rule") {
            std::string key = NextWord(line, &pos);
            if (key.empty()) return fail("rule needs a key");
            std::string value;
            if (!Unescape(line.substr(pos), &value, &why)) return fail(why);
            if (!Unescape(std::string(key), &key, &why)) return fail(why);
            server->rules.emplace_back(key, value);
        } else if (keyword == "player") {
            long frags, ping;
            std::string f = NextWord(line, &pos);
            std::string p = NextWord(line, &pos);
            if (!ParseNumber(f, -2147483647L - 1, 2147483647L, &frags) ||
                !ParseNumber(p, -2147483647L - 1, 2147483647L, &ping))
                return fail("player needs frags, ping and a name");
            std::string name = line.substr(pos);
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
            Player player;
            player.frags = static_cast<int>(frags);
            player.ping = static_cast<int>(ping);
            if (!Unescape(name, &player.name, &why)) return fail(why);
            server->players.push_back(player);
        } else if (keyword == "delay") {
            long ms;
            if (!ParseNumber(rest, 0, 3600 * 1000, &ms)) return fail("delay needs milliseconds from 0 to 3600000");
            server->delayMs = static_cast<int>(ms);
        } else if (keyword == "mode") {
            if (!ParseMode(rest, &server->mode))
                return fail("mode is one of reply, silent, garbage, oversized, raw, extraline");
        } else if (keyword == "raw") {
            if (!Unescape(rest, &server->raw, &why)) return fail(why);
        } else if (keyword == "extra") {
            if (!Unescape(rest, &server->extraLine, &why)) return fail(why);
        } else {
            return fail("unknown keyword \"" + keyword + "\"");
        }
    }
    *out = std::move(file);
    return true;
}

}  // namespace q2sim
