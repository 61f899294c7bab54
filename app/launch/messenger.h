// The program's questions to the running Ulo messenger client.
#ifndef SKOVALT_LAUNCH_MESSENGER_H
#define SKOVALT_LAUNCH_MESSENGER_H

#include <stddef.h>

#include <string>
#include <vector>

// Asks the client for its version. Returns 1 and sets *version, or 0 when
// no client answers.
int AskMessengerVersion(int *version);

// Puts the nickname of the client's owner into buffer. Returns 0, or 1
// when there is none to be had (buffer then holds "").
int GetOwnerNickname(char *buffer, size_t size);

// A user on the client's online list whose details could be had.
struct OnlineUser {
    std::string nickname;  // may be empty: the client sent none
    int uin;
};

// The users who are online, in the online list's order, leaving out those
// whose details cannot be had; *listed is how many the client listed.
// Returns 0, or 1 when the client does not answer (it has gone).
int GetOnlineUsers(std::vector<OnlineUser> *users, int *listed);

// The nicknames of the users who are online, in the online list's order;
// users whose details cannot be had (no answer, or no nickname) are left
// out. Returns 0, or 1 when the client does not answer (it has gone; then
// *names is empty).
int GetOnlineNicknames(std::vector<std::string> *names);

#endif
