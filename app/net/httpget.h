// HTTP GET over plain sockets, portable (Winsock or BSD sockets): the one
// HTTP client of the program (master list, version file) and of kvquery.
// Only http:// addresses; HTTP/1.1 answers with a Content-Length, a
// chunked body, or a body that ends when the server closes. Every fetch has
// a connect, a receive and an overall time limit, follows at most a given
// number of redirects, refuses a body over its size limit, and can be
// cancelled from another thread.
#ifndef SKOVALT_NET_HTTPGET_H
#define SKOVALT_NET_HTTPGET_H

#include <stddef.h>
#include <stdint.h>

#include <atomic>

// Results of a fetch (HTTP or UDP master) and of the response parser.
enum HttpResult {
    HttpMore = -1,  // parser only: the response is not complete yet
    HttpOk = 0,
    HttpErrBadUrl,          // not "http://host[:port][/path]"
    HttpErrSocket,          // no socket could be opened
    HttpErrResolve,         // the host name is unknown
    HttpErrConnect,         // the connection was refused or failed
    HttpErrConnectTimeout,  // no connection within the connect limit
    HttpErrReceiveTimeout,  // nothing arrived for the receive limit
    HttpErrTotalTimeout,    // the fetch took longer than the overall limit
    HttpErrReset,           // the connection ended before the answer was whole
    HttpErrBadReply,        // the answer is no HTTP response
    HttpErrStatus,          // an answer other than 200 (the status is in the response)
    HttpErrRedirects,       // more redirects than allowed
    HttpErrTooLarge,        // the body is larger than allowed
    HttpErrCancelled,       // the cancel flag was set
    HttpErrMemory,          // no memory for the body
    // A Quake 2 UDP master (net/udpmaster.h):
    HttpErrNoAnswer,        // the master did not answer
    HttpErrNotServerList,   // its answer is no server list
};

struct HttpLimits {
    long connectMs;    // to open the connection
    long receiveMs;    // the longest wait for the next bytes
    long totalMs;      // the whole fetch, redirects included
    int maxRedirects;  // redirects followed; one more is an error
    size_t maxBody;    // bytes of body allowed
    bool keepFirst;    // true: a longer body is cut at maxBody, not refused
};

// 10 s to connect, 15 s without data, 60 s in all, 5 redirects, 8 MiB.
HttpLimits HttpDefaultLimits();

// One response as it is parsed. The fields above the line are the result;
// the ones below are the parser's own.
struct HttpResponse {
    int status;                // 0 until the status line is read
    long long contentLength;   // -1 when not announced
    bool chunked;              // Transfer-Encoding: chunked
    char location[1024];       // the Location header, "" when none
    unsigned char *body;       // malloc'd, NUL-terminated after size bytes; null when empty
    size_t size;
    // ---
    int state;
    int failure;  // the error that ended the parse
    char line[1024];
    size_t lineLength;
    size_t headBytes;
    unsigned long long chunkLeft;
    size_t capacity;
    size_t maxBody;
    bool keepFirst;
};

void HttpResponseInit(HttpResponse *response, size_t maxBody, bool keepFirst);
// Parses received bytes. HttpMore: give more; HttpOk: the response is whole
// (bytes after it are ignored); else an error (HttpErrBadReply,
// HttpErrTooLarge, HttpErrMemory). After HttpOk or an error it returns the
// same again.
int HttpResponseFeed(HttpResponse *response, const char *data, size_t size);
// True once the status line and the headers are read.
bool HttpHeadComplete(const HttpResponse *response);
// The connection ended: HttpOk when the response is whole (a body without
// length or chunks ends here), HttpErrReset when it was cut, or the error
// the parser met.
int HttpResponseEnd(HttpResponse *response);
// Frees the body; the response may be initialised again.
void HttpResponseFree(HttpResponse *response);

// Called on the fetching thread as body bytes arrive: bytes received so far
// and the announced length (-1 when none).
typedef void (*HttpProgress)(void *context, size_t received, long long announced);

// GETs url into response (initialised here; free it with HttpResponseFree
// whatever the result). cancel (may be null) is looked at at least every
// 50 ms. requests (may be null) gets the number of requests sent. Returns
// HttpOk for a whole body of status 200, else the first failure.
int HttpGet(const char *url, const HttpLimits *limits, const std::atomic<bool> *cancel, HttpProgress progress,
            void *context, HttpResponse *response, int *requests = nullptr);

// The text of a failure, as a user reads it: "Timeout: no data for 15 s",
// "Item not found" (status 404), "HTTP status 500", "Too many redirects
// (more than 5)", "Larger than 8 MiB, refused", "Cancelled"...
void HttpResultText(int result, int status, const HttpLimits *limits, char *text, size_t size);

#endif
