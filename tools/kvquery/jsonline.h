// kvquery --json: a server record as one line of JSON.
#ifndef KVQUERY_JSONLINE_H
#define KVQUERY_JSONLINE_H

#include <cstddef>
#include <string>

#include "kv/kv.h"

namespace kvquery {

// Appends text (size bytes, any bytes at all) to out as a JSON string with
// its quotes. Valid UTF-8 passes through; '"', '\' and control characters
// are escaped; each byte that is not part of valid UTF-8 becomes \u00XX,
// the byte read as a Latin-1 character, so nothing is dropped and the line
// stays valid JSON.
void AppendJsonString(std::string* out, const char* text, size_t size);
void AppendJsonString(std::string* out, const char* text);  // zero-terminated; null gives ""

// One object, no line break:
//   {"address":"a.b.c.d:port","host":"as given","name":...,"map":...,
//    "level":...,"game":...,"numPlayers":N|null,"maxPlayers":N|null,
//    "ping":N|null,"error":0,"errorText":"","rules":{...},
//    "players":[{"name":...,"frags":N,"ping":N},...]}
// host is the text the server was given as; levels the MapData.txt list
// (may be null).
std::string ServerJson(tagQServer* server, const std::string& host, char* levels);

}  // namespace kvquery

#endif  // KVQUERY_JSONLINE_H
