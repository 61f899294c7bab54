// Reading the items of a reply. Every read checks the remaining length
// first: the client's data is never trusted to match its layout.
#include "parlet/internal.h"

#include <string.h>

ReplyReader ReaderOver(const void *data, DWORD length)
{
    ReplyReader reader;
    reader.data = (const unsigned char *)data;
    reader.length = data ? length : 0;
    reader.position = 0;
    return reader;
}

ReplyReader ReaderOverReply()
{
    return ReaderOver(g_parlet.replyData, g_parlet.replyLength);
}

DWORD RemainingBytes(const ReplyReader *reader)
{
    return reader->length - reader->position;
}

DWORD ItemsHeld(const ReplyReader *reader, int announced, DWORD itemSize)
{
    if (announced <= 0)
        return 0;
    DWORD room = RemainingBytes(reader) / itemSize;
    return (DWORD)announced < room ? (DWORD)announced : room;
}

bool ReadInt32(ReplyReader *reader, int *value)
{
    if (RemainingBytes(reader) < 4)
        return false;
    const unsigned char *p = reader->data + reader->position;
    *value = (int)((DWORD)p[0] | (DWORD)p[1] << 8 | (DWORD)p[2] << 16 | (DWORD)p[3] << 24);
    reader->position += 4;
    return true;
}

bool ReadInt16(ReplyReader *reader, short *value)
{
    if (RemainingBytes(reader) < 2)
        return false;
    const unsigned char *p = reader->data + reader->position;
    *value = (short)(p[0] | p[1] << 8);
    reader->position += 2;
    return true;
}

bool ReadByte(ReplyReader *reader, unsigned char *value)
{
    if (RemainingBytes(reader) < 1)
        return false;
    *value = reader->data[reader->position];
    reader->position += 1;
    return true;
}

bool ReadText(ReplyReader *reader, char *field, size_t width)
{
    DWORD remaining = RemainingBytes(reader);
    if (remaining == 0 || width == 0)
        return false;
    const char *text = (const char *)(reader->data + reader->position);
    const char *end = (const char *)memchr(text, 0, remaining);
    size_t textLength = end ? (size_t)(end - text) : remaining;
    size_t copied = textLength < width - 1 ? textLength : width - 1;
    memcpy(field, text, copied);
    memset(field + copied, 0, width - copied);
    reader->position = end ? reader->position + (DWORD)textLength + 1 : reader->length;
    return true;
}
