// The bytes of the server list's files, read and written without any file
// or window: Server.dat (the saved list) and Delta.dat (the journal of
// servers added or removed by hand), and the "a.b.c.d[:port]" address text.
// Portable: the program uses these on Windows; the native build fuzzes them.
//
// Both files begin with the 3-byte header "kv", 0x00. Server.dat records
// are a 28-byte head (address in network order, port, ping, flags, 19
// reserved zero bytes; numbers little-endian) followed by host name,
// server name and game name, each NUL-terminated. Delta.dat records are 12
// bytes: kind '+' or '-', 3 reserved, address, port, 2 reserved.
#ifndef SKOVALT_SERVERLIST_LISTFORMAT_H
#define SKOVALT_SERVERLIST_LISTFORMAT_H

#include <stddef.h>
#include <stdint.h>

#include "kv/kv.h"

enum {
    ListFileHeaderSize = 3,
    ServerRecordHeadSize = 28,
    DeltaRecordSize = 12,
};

// The header both files begin with.
extern const unsigned char ListFileHeader[ListFileHeaderSize];

// True when data (size bytes) begins with the header.
bool HasListFileHeader(const unsigned char *data, size_t size);

// One Server.dat record; the texts point into the bytes it was read from.
struct ServerFileRecord {
    uint32_t ip;        // network order
    uint16_t port;
    uint16_t ping;
    uint8_t flags;
    const char *hostName;
    const char *serverName;
    const char *gameName;
};

// Reads the record at the start of data (size bytes, after the header).
// Returns the bytes it takes, or 0 when no whole record is there (a head
// cut short, or a text without its NUL): a list ends at its first partial
// record.
size_t ReadServerRecord(const unsigned char *data, size_t size, ServerFileRecord *record);

// The 28-byte head of a record into head; the caller writes the three
// texts after it, each with its NUL.
void EncodeServerRecordHead(const ServerFileRecord *record, unsigned char head[ServerRecordHeadSize]);

// One Delta.dat record.
struct DeltaRecord {
    char kind;       // '+' or '-'
    uint32_t ip;     // network order
    uint16_t port;
};

// How many whole Delta.dat records size bytes (after the header) hold.
size_t DeltaRecordCount(size_t size);
// The record at data, which must hold DeltaRecordSize bytes.
DeltaRecord ReadDeltaRecord(const unsigned char *data);
void EncodeDeltaRecord(const DeltaRecord *record, unsigned char out[DeltaRecordSize]);

// What a text naming a server is refused for.
enum HostTextResult {
    HostTextOk = 0,
    HostTextNoAddress = 1,  // no server address
    HostTextBadPort = 2,    // a ':' followed by anything but a port from 1 to 65535
};

// True for an address and port a server can have: neither 0.0.0.0 nor the
// broadcast address 255.255.255.255, and a port from 1 to 65535.
bool IsServerHost(uint32_t ip, uint16_t port);

// "a.b.c.d:port" of an address (network order) and port into text (size
// bytes, 22 are always enough).
void FormatHostAddress(uint32_t ip, uint16_t port, char *text, size_t size);

// Exactly four decimal parts of 0 to 255 joined by '.', nothing before or
// after them (no short forms such as "1" or "127.0.0", no hex, octal or
// leading zeros), into ip (network order). False otherwise.
bool ParseDottedQuad(const char *text, size_t length, uint32_t *ip);

// The port of "host[:port]" (length bytes): the host part is the text
// before its last ':' (*hostLength bytes), the port the digits after it, or
// 27910 when there is no ':'. Returns HostTextOk, or HostTextBadPort when
// the ':' is not followed by a number from 1 to 65535 and nothing else.
int ReadHostPort(const char *text, size_t length, size_t *hostLength, uint16_t *port);

// "a.b.c.d" or "a.b.c.d:port" into host (port 27910 unless given); blanks
// at the end are ignored. Returns HostTextOk; HostTextBadPort; or
// HostTextNoAddress when the text is null, does not begin with a digit, is
// no dotted address (ParseDottedQuad) or no server's (IsServerHost). The
// address is 0 unless HostTextOk.
int ParseHostAddress(const char *text, tagKvHOST *host);
// The same for length bytes, which may hold any byte (a NUL refuses it).
int ParseHostAddress(const char *text, size_t length, tagKvHOST *host);

// The Server.dat that a master list makes: first a record for every '+'
// delta record (in journal order), then one for every server line of the
// master list text (size bytes; lines end in CR, LF or both) that no '-'
// delta record removes. A server line is one that ParseHostAddress takes;
// other lines, and '+' records that name no server (IsServerHost), are
// skipped. Each server is written once, at its first place. Records carry
// flags 0, ping 0xFFFF and empty texts. Returns a new block (free it with
// free()) holding the header and the records, or null when memory runs
// out; *masterServers counts the master list's server lines.
unsigned char *BuildMasterServerFile(const char *master, size_t masterSize, const DeltaRecord *deltas,
                                     size_t deltaCount, size_t *size, size_t *masterServers);

// Pasted text: reads the host token of the line that starts at line (the
// text ends at end; a line ends at a CR, and the LF after it is skipped).
// The token is the first run of letters, digits and '.' around the line's
// first '.', at most size - 1 characters, with ":port" when a ':' and
// digits, or blanks and digits, follow it. Returns true with the token and
// *next set to the next line (null after the last line); false when the
// paste ends here (a line without '.', or a token that holds none).
bool ReadPastedHost(const char *line, const char *end, char *token, size_t size, const char **next);

#endif
