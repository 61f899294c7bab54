// Small text operations: fields, case-insensitive search, name lists and
// numbers as the settings hold them. No windows, no files.
#ifndef SKOVALT_BASE_TEXT_H
#define SKOVALT_BASE_TEXT_H

#include <stddef.h>

// Copies one separator-ended field of source into dest (blanks trimmed);
// returns the position after the separator, or null for a null source.
const char *NextField(char *dest, size_t size, const char *source, char separator);

// Case-insensitive substring search; null when not found or text is null.
const char *FindNoCase(const char *text, const char *pattern);

// Cuts a comma-separated text in place into a name list (each name ended
// by a NUL, then an empty name). The buffer is size bytes; the last byte is
// always left NUL so the list is ended even when the text filled it.
void CutNameList(char *buffer, size_t size);

// Writes a name list back as "name,name," into out (at most size bytes,
// always NUL-terminated); only whole names are written.
void JoinNameList(const char *list, char *out, size_t size);

// A stored number: decimal digits after an optional minus sign, blanks
// around them allowed, held to the range low..high. True with *value set;
// a number above high is high (too big saturates, as "as many as
// allowed"). False, with *value untouched, for a null or empty text,
// anything else, and a number below low: a negative count or a 0 that
// stands for "unset" is no value, and the caller takes its default.
bool ParseSettingNumber(const char *text, long low, long high, long *value);

// The same for 0 up to LONG_MAX.
bool ParseSettingNumber(const char *text, long *value);

// Cuts a text in place so that it fits size bytes with its NUL: after the
// last separator that fits (whole names, columns), or at size - 1 when
// not even the first field fits. A text that fits stays as it is. A null
// or empty separator cuts at size - 1.
void CutAtWholeFields(char *text, size_t size, const char *separator);

#endif
