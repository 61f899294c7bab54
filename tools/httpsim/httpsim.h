// httpsim: a small HTTP server on 127.0.0.1 for tests. Each path answers
// as its Response says: any status, a body sent slowly, a byte at a time,
// chunked, cut short or very large, a redirect, or no answer at all.
// Requests for other paths get 404.
//
// Ownership: Start returns a server that only Stop frees. Serve and the
// counters may be called from any thread while the server runs.
#ifndef HTTPSIM_HTTPSIM_H
#define HTTPSIM_HTTPSIM_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace httpsim {

struct Response {
    int status = 200;
    std::string body;
    std::string contentType = "text/plain";
    int delayMs = 0;                    // wait between the headers and the body
    size_t cutAfter = std::string::npos;  // send this many body bytes, then close
    size_t repeat = 1;                  // the body is sent this many times over
    bool chunked = false;               // Transfer-Encoding: chunked
    int dripMs = 0;                     // the body one byte at a time, this far apart
    std::string location;               // sent as the Location header (with a 3xx status)
    bool hangBeforeAnswer = false;      // read the request, then send nothing until Stop
    bool hangAfterHeaders = false;      // send the headers, then nothing until Stop
};

// A redirect to location (status 302, no body).
Response Redirect(const std::string &location);

struct Server;

// Listens on 127.0.0.1 on a free port. Null on failure (reason in *error).
Server *Start(std::string *error = nullptr);

uint16_t Port(const Server *server);
// "http://127.0.0.1:PORT" followed by path (which starts with '/').
std::string Url(const Server *server, const std::string &path);

// What path (with its query, as requested) answers from now on.
void Serve(Server *server, const std::string &path, const Response &response);

// Requests received for path so far; Connections: for every path.
int RequestCount(const Server *server, const std::string &path);
int Connections(const Server *server);

// Stops listening, waits for the requests being answered, frees the server.
// Null is allowed.
void Stop(Server *server);

}  // namespace httpsim

#endif
