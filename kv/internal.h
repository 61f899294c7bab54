// Helpers shared by the Kv library's source files.
#ifndef KV_INTERNAL_H
#define KV_INTERNAL_H

#include "kv/kv.h"

#include <stddef.h>

// The largest datagram the exchange receives; a reply that fills it is refused.
const int kKvReceiveBufferSize = 65535;
// The counts a record can show: 255 means "unknown players".
const unsigned kKvMaxPlayerCount = 254;
const unsigned kKvMaxRuleCount = 255;

// A copy of size bytes of text, zero-terminated, on the library's heap.
char *KvCopyText(const char *text, size_t size);
char *KvCopyString(const char *text);
// Replaces *slot by a copy of [text, text+size); false when out of memory.
bool KvReplaceText(char **slot, const char *text, size_t size);

// ASCII comparisons ignoring letter case.
bool KvEqualNoCase(const char *a, const char *b);
bool KvPrefixNoCase(const char *text, size_t size, const char *prefix);
bool KvSameNoCase(const char *a, const char *b, size_t count);

// Reads a decimal number as far as digits go (leading blanks and a sign
// allowed), saturating instead of overflowing. *end gets the first unread
// character; false when no digit was read.
bool KvReadInt(const char *text, const char *limit, int *value, const char **end);

// Recognises a status reply datagram and parses it into the record (whose
// lists the caller has emptied). Never reads outside [data, data+size).
int KvParseStatusReply(tagQServer *server, const char *data, size_t size,
                       const char *fixupNames);

// The text of a result code.
const char *KvErrorText(int code);

#endif
