// The program's questions to the running Ulo messenger client.
#ifndef SKOVALT_LAUNCH_MESSENGER_H
#define SKOVALT_LAUNCH_MESSENGER_H

#include <stddef.h>

// Asks the client for its version. Returns 1 and sets *version, or 0 when
// no client answers.
int AskMessengerVersion(int *version);

// Puts the nickname of the client's owner into buffer. Returns 0, or 1
// when there is none to be had (buffer then holds "").
int GetOwnerNickname(char *buffer, size_t size);

#endif
