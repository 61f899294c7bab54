// Questions to the Ulo messenger client.
//
// The messenger bridge library is not linked in yet: until it is, no client
// ever answers, which is exactly how the program behaves when no messenger
// runs (uloVersion stays 0 and every messenger feature is off).
#include "launch/messenger.h"

int AskMessengerVersion(int *version)
{
    if (version)
        *version = 0;
    return 0;
}

int GetOwnerNickname(char *buffer, size_t size)
{
    if (buffer && size > 0)
        buffer[0] = '\0';
    return 1;
}
