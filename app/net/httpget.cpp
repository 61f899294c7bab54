// The HTTP client: the response parser and the fetch over sockets.
#include "net/httpget.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>

#include "net/sockets.h"

namespace {

enum State {
    StateStatusLine,
    StateHeader,
    StateBody,         // Content-Length bytes
    StateBodyToClose,  // everything until the connection ends
    StateChunkSize,
    StateChunkData,
    StateChunkEnd,     // the line end after a chunk's data
    StateTrailer,
    StateDone,
    StateFailed,
};

// The longest head (status line and headers) accepted.
const size_t kMaxHead = 64 * 1024;

using netio::StartsWithNoCase;

bool ContainsNoCase(const char *text, const char *word)
{
    for (; *text; ++text)
        if (StartsWithNoCase(text, word))
            return true;
    return false;
}

const char *SkipBlanks(const char *text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    return text;
}

int Fail(HttpResponse *r, int result)
{
    r->state = StateFailed;
    r->failure = result;
    return result;
}

int Append(HttpResponse *r, const char *data, size_t size)
{
    if (size > r->maxBody - r->size) {
        if (!r->keepFirst)
            return Fail(r, HttpErrTooLarge);
        size = r->maxBody - r->size;
        r->state = StateDone;
    }
    if (r->size + size + 1 > r->capacity) {
        size_t capacity = r->capacity ? r->capacity : 4096;
        while (capacity < r->size + size + 1)
            capacity *= 2;
        unsigned char *grown = static_cast<unsigned char *>(realloc(r->body, capacity));
        if (!grown)
            return Fail(r, HttpErrMemory);
        r->body = grown;
        r->capacity = capacity;
    }
    memcpy(r->body + r->size, data, size);
    r->size += size;
    r->body[r->size] = '\0';
    return r->state == StateDone ? HttpOk : HttpMore;
}

// The status line: "HTTP/1.1 200 OK".
int StatusLine(HttpResponse *r, const char *line)
{
    if (!StartsWithNoCase(line, "http/"))
        return Fail(r, HttpErrBadReply);
    const char *space = strchr(line, ' ');
    if (!space)
        return Fail(r, HttpErrBadReply);
    const char *code = SkipBlanks(space);
    int status = 0;
    for (int i = 0; i < 3; ++i) {
        if (code[i] < '0' || code[i] > '9')
            return Fail(r, HttpErrBadReply);
        status = status * 10 + (code[i] - '0');
    }
    if (code[3] >= '0' && code[3] <= '9')
        return Fail(r, HttpErrBadReply);
    r->status = status;
    r->state = StateHeader;
    return HttpMore;
}

// The end of the head: where the body's length comes from.
int HeadEnded(HttpResponse *r)
{
    if (r->status >= 100 && r->status < 200) {
        // An interim answer ("100 Continue"): the real one follows.
        r->status = 0;
        r->contentLength = -1;
        r->chunked = false;
        r->location[0] = '\0';
        r->state = StateStatusLine;
        return HttpMore;
    }
    if (r->status == 204 || r->status == 304) {
        r->state = StateDone;
        return HttpOk;
    }
    if (r->chunked) {
        r->state = StateChunkSize;
        return HttpMore;
    }
    if (r->contentLength < 0) {
        r->state = StateBodyToClose;
        return HttpMore;
    }
    if (static_cast<unsigned long long>(r->contentLength) > r->maxBody && !r->keepFirst)
        return Fail(r, HttpErrTooLarge);
    if (r->contentLength == 0) {
        r->state = StateDone;
        return HttpOk;
    }
    r->chunkLeft = static_cast<unsigned long long>(r->contentLength);
    r->state = StateBody;
    return HttpMore;
}

int HeaderLine(HttpResponse *r, const char *line)
{
    if (!*line)
        return HeadEnded(r);
    const char *colon = strchr(line, ':');
    if (!colon || colon == line)
        return Fail(r, HttpErrBadReply);
    const char *value = SkipBlanks(colon + 1);
    size_t nameLength = static_cast<size_t>(colon - line);
    if (nameLength == 14 && StartsWithNoCase(line, "content-length")) {
        long long length = 0;
        int digits = 0;
        for (; *value >= '0' && *value <= '9'; ++value, ++digits) {
            if (digits >= 18)
                return Fail(r, HttpErrBadReply);
            length = length * 10 + (*value - '0');
        }
        if (digits == 0 || *SkipBlanks(value) != '\0')
            return Fail(r, HttpErrBadReply);
        // Two different lengths: which one is meant cannot be known.
        if (r->contentLength >= 0 && r->contentLength != length)
            return Fail(r, HttpErrBadReply);
        r->contentLength = length;
    } else if (nameLength == 17 && StartsWithNoCase(line, "transfer-encoding")) {
        if (ContainsNoCase(value, "chunked"))
            r->chunked = true;
    } else if (nameLength == 8 && StartsWithNoCase(line, "location")) {
        snprintf(r->location, sizeof r->location, "%s", value);
        size_t n = strlen(r->location);
        while (n > 0 && (r->location[n - 1] == ' ' || r->location[n - 1] == '\t'))
            r->location[--n] = '\0';
    }
    return HttpMore;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "1a2b[;extension]": the size of the next chunk.
int ChunkSizeLine(HttpResponse *r, const char *line)
{
    line = SkipBlanks(line);
    unsigned long long size = 0;
    int digits = 0;
    for (int v; (v = HexValue(*line)) >= 0; ++line, ++digits) {
        if (digits >= 15)
            return Fail(r, HttpErrBadReply);
        size = size * 16 + static_cast<unsigned>(v);
    }
    line = SkipBlanks(line);
    if (digits == 0 || (*line != '\0' && *line != ';'))
        return Fail(r, HttpErrBadReply);
    if (size == 0) {
        r->state = StateTrailer;
        return HttpMore;
    }
    if (size > r->maxBody - r->size && !r->keepFirst)
        return Fail(r, HttpErrTooLarge);
    r->chunkLeft = size;
    r->state = StateChunkData;
    return HttpMore;
}

int Line(HttpResponse *r, const char *line)
{
    switch (r->state) {
    case StateStatusLine:
        return StatusLine(r, line);
    case StateHeader:
        return HeaderLine(r, line);
    case StateChunkSize:
        return ChunkSizeLine(r, line);
    case StateChunkEnd:
        if (*line)
            return Fail(r, HttpErrBadReply);
        r->state = StateChunkSize;
        return HttpMore;
    case StateTrailer:
        if (!*line) {
            r->state = StateDone;
            return HttpOk;
        }
        return HttpMore;
    default:
        return Fail(r, HttpErrBadReply);
    }
}

bool ReadsLines(int state)
{
    return state == StateStatusLine || state == StateHeader || state == StateChunkSize || state == StateChunkEnd ||
           state == StateTrailer;
}

}  // namespace

HttpLimits HttpDefaultLimits()
{
    HttpLimits limits;
    limits.connectMs = 10000;
    limits.receiveMs = 15000;
    limits.totalMs = 60000;
    limits.maxRedirects = 5;
    limits.maxBody = 8u << 20;
    limits.keepFirst = false;
    return limits;
}

void HttpResponseInit(HttpResponse *r, size_t maxBody, bool keepFirst)
{
    memset(r, 0, sizeof *r);
    r->contentLength = -1;
    r->state = StateStatusLine;
    r->maxBody = maxBody;
    r->keepFirst = keepFirst;
}

bool HttpHeadComplete(const HttpResponse *r)
{
    return r->state != StateStatusLine && r->state != StateHeader && !(r->state == StateFailed && r->status == 0);
}

int HttpResponseFeed(HttpResponse *r, const char *data, size_t size)
{
    if (r->state == StateDone)
        return HttpOk;
    if (r->state == StateFailed)
        return r->failure;
    while (size > 0) {
        if (ReadsLines(r->state)) {
            bool inHead = r->state == StateStatusLine || r->state == StateHeader;
            char c = *data++;
            --size;
            if ((inHead && ++r->headBytes > kMaxHead) || c == '\0')
                return Fail(r, HttpErrBadReply);
            if (c != '\n') {
                if (r->lineLength + 1 >= sizeof r->line)
                    return Fail(r, HttpErrBadReply);
                r->line[r->lineLength++] = c;
                continue;
            }
            if (r->lineLength > 0 && r->line[r->lineLength - 1] == '\r')
                --r->lineLength;
            r->line[r->lineLength] = '\0';
            r->lineLength = 0;
            int result = Line(r, r->line);
            if (result != HttpMore)
                return result;
            continue;
        }
        if (r->state == StateBodyToClose) {
            int result = Append(r, data, size);
            return result;
        }
        // StateBody or StateChunkData: up to chunkLeft bytes.
        size_t take = r->chunkLeft < size ? static_cast<size_t>(r->chunkLeft) : size;
        int result = Append(r, data, take);
        if (result != HttpMore)
            return result;
        data += take;
        size -= take;
        r->chunkLeft -= take;
        if (r->chunkLeft == 0) {
            if (r->state == StateBody) {
                r->state = StateDone;
                return HttpOk;
            }
            r->state = StateChunkEnd;
        }
    }
    return HttpMore;
}

int HttpResponseEnd(HttpResponse *r)
{
    switch (r->state) {
    case StateDone:
    case StateBodyToClose:
        r->state = StateDone;
        return HttpOk;
    case StateFailed:
        return r->failure;
    case StateStatusLine:
        // Nothing at all, or a head cut short.
        return r->headBytes == 0 ? Fail(r, HttpErrReset) : Fail(r, HttpErrBadReply);
    default:
        return Fail(r, HttpErrReset);
    }
}

void HttpResponseFree(HttpResponse *r)
{
    free(r->body);
    r->body = nullptr;
    r->size = r->capacity = 0;
}

// ---------------------------------------------------------------------------
// The fetch.

namespace {

using namespace netio;

// The parts of "http://host[:port][/path]".
struct Url {
    char host[256];
    char hostHeader[300];  // host, and ":port" when given
    uint16_t port;
    char path[2048];
};

bool ParseUrl(const char *url, Url *out)
{
    if (!StartsWithNoCase(url, "http://"))
        return false;
    const char *authority = url + 7;
    size_t length = strcspn(authority, "/?#");
    if (length == 0 || length >= sizeof out->hostHeader)
        return false;
    memcpy(out->hostHeader, authority, length);
    out->hostHeader[length] = '\0';
    if (strpbrk(out->hostHeader, "@ \t\r\n[]"))
        return false;
    out->port = 80;
    const char *colon = strchr(out->hostHeader, ':');
    size_t hostLength = colon ? static_cast<size_t>(colon - out->hostHeader) : length;
    if (colon) {
        long port = 0;
        const char *p = colon + 1;
        if (!*p)
            return false;
        for (; *p; ++p) {
            if (*p < '0' || *p > '9' || port > 65535)
                return false;
            port = port * 10 + (*p - '0');
        }
        if (port < 1 || port > 65535)
            return false;
        out->port = static_cast<uint16_t>(port);
    }
    if (hostLength == 0 || hostLength >= sizeof out->host)
        return false;
    memcpy(out->host, out->hostHeader, hostLength);
    out->host[hostLength] = '\0';
    const char *rest = authority + length;
    if (*rest == '#')
        rest = "";
    int n = snprintf(out->path, sizeof out->path, "%s%s", *rest == '/' ? "" : "/", rest);
    if (n < 0 || static_cast<size_t>(n) >= sizeof out->path || strpbrk(out->path, " \t\r\n"))
        return false;
    char *fragment = strchr(out->path, '#');
    if (fragment)
        *fragment = '\0';
    return true;
}

// Where a redirect points: an absolute http:// address, or a path on the
// same server ("/x" from the root; "x" beside the current path).
bool RedirectTarget(const Url *from, const char *location, char *next, size_t size)
{
    int n;
    if (StartsWithNoCase(location, "http://")) {
        n = snprintf(next, size, "%s", location);
    } else if (strstr(location, "://") || StartsWithNoCase(location, "//") || !*location) {
        return false;
    } else if (location[0] == '/') {
        n = snprintf(next, size, "http://%s%s", from->hostHeader, location);
    } else {
        const char *slash = strrchr(from->path, '/');
        int dir = slash ? static_cast<int>(slash - from->path + 1) : 1;
        n = snprintf(next, size, "http://%s%.*s%s", from->hostHeader, dir, from->path, location);
    }
    return n >= 0 && static_cast<size_t>(n) < size;
}

struct Fetch {
    const HttpLimits *limits;
    const std::atomic<bool> *cancel;
    Clock::time_point end;  // the overall limit
};

bool Cancelled(const Fetch *f)
{
    return f->cancel && f->cancel->load();
}

// Waits for events on s until deadline: HttpOk when ready; otherwise
// HttpErrCancelled, HttpErrTotalTimeout, timeoutResult or (poll failed)
// HttpErrReset.
int Wait(const Fetch *f, Socket s, short events, Clock::time_point deadline, int timeoutResult)
{
    switch (WaitSocket(s, events, f->cancel, f->end, deadline)) {
    case WaitReady:
        return HttpOk;
    case WaitCancelled:
        return HttpErrCancelled;
    case WaitEnd:
        return HttpErrTotalTimeout;
    case WaitDeadline:
        return timeoutResult;
    default:
        return HttpErrReset;
    }
}

// One request to url; the response is parsed into r (initialised by the
// caller). HttpOk when the response is whole or its head says it is a
// redirect or an error status (the body is then not read).
int Request(const Fetch *f, const Url *url, HttpResponse *r, HttpProgress progress, void *context)
{
    uint32_t ip = 0;
    if (!Resolve(url->host, &ip))
        return HttpErrResolve;
    if (Cancelled(f))
        return HttpErrCancelled;
    Socket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == kNoSocket)
        return HttpErrSocket;
    int result = HttpOk;
    do {
        if (!SetNonBlocking(s)) {
            result = HttpErrSocket;
            break;
        }
        sockaddr_in to = SocketAddress(ip, url->port);
        if (connect(s, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0 && !InProgress()) {
            result = HttpErrConnect;
            break;
        }
        result = Wait(f, s, POLLOUT, Clock::now() + std::chrono::milliseconds(f->limits->connectMs),
                      HttpErrConnectTimeout);
        if (result != HttpOk)
            break;
        int soError = 0;
        socklen_t soLength = sizeof soError;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&soError), &soLength) != 0 || soError) {
            result = HttpErrConnect;
            break;
        }
        char request[2600];
        int length = snprintf(request, sizeof request,
                              "GET %s HTTP/1.1\r\nHost: %s\r\nUser-Agent: Skovalt\r\nAccept: */*\r\n"
                              "Connection: close\r\n\r\n",
                              url->path, url->hostHeader);
        for (int sent = 0; result == HttpOk && sent < length;) {
            result = Wait(f, s, POLLOUT, Clock::now() + std::chrono::milliseconds(f->limits->receiveMs),
                          HttpErrReceiveTimeout);
            if (result != HttpOk)
                break;
            int n = static_cast<int>(send(s, request + sent, static_cast<size_t>(length - sent), kSendFlags));
            if (n < 0 && !WouldBlock())
                result = HttpErrReset;
            else if (n > 0)
                sent += n;
        }
        char buffer[16384];
        while (result == HttpOk) {
            result = Wait(f, s, POLLIN, Clock::now() + std::chrono::milliseconds(f->limits->receiveMs),
                          HttpErrReceiveTimeout);
            if (result != HttpOk)
                break;
            int n = static_cast<int>(recv(s, buffer, sizeof buffer, 0));
            if (n < 0 && WouldBlock())
                continue;
            int parsed = n < 0 ? HttpErrReset : n == 0 ? HttpResponseEnd(r) : HttpResponseFeed(r, buffer, n);
            if (progress && n > 0 && HttpHeadComplete(r))
                progress(context, r->size, r->contentLength);
            if (parsed != HttpMore) {
                result = parsed;
                break;
            }
            // Only a 200 answer's body is wanted.
            if (HttpHeadComplete(r) && r->status != 200)
                break;
        }
    } while (false);
    CloseSocket(s);
    return result;
}

bool IsRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

int HttpGet(const char *url, const HttpLimits *limits, const std::atomic<bool> *cancel, HttpProgress progress,
            void *context, HttpResponse *response, int *requests)
{
    HttpResponseInit(response, limits->maxBody, limits->keepFirst);
    if (requests)
        *requests = 0;
    Url parts;
    if (!url || !ParseUrl(url, &parts))
        return HttpErrBadUrl;
    if (!NetStart())
        return HttpErrSocket;
    Fetch f = {limits, cancel, Clock::now() + std::chrono::milliseconds(limits->totalMs)};
    int result = HttpOk;
    for (int redirects = 0;; ++redirects) {
        HttpResponseFree(response);
        HttpResponseInit(response, limits->maxBody, limits->keepFirst);
        if (requests)
            ++*requests;
        result = Request(&f, &parts, response, progress, context);
        if (result != HttpOk)
            break;
        if (IsRedirect(response->status) && response->location[0]) {
            char next[2400];
            if (redirects >= limits->maxRedirects) {
                result = HttpErrRedirects;
                break;
            }
            if (!RedirectTarget(&parts, response->location, next, sizeof next) || !ParseUrl(next, &parts)) {
                result = HttpErrBadUrl;
                break;
            }
            continue;
        }
        if (response->status != 200)
            result = HttpErrStatus;
        break;
    }
    if (result != HttpOk && result != HttpErrStatus)
        HttpResponseFree(response);
    NetEnd();
    return result;
}

void HttpResultText(int result, int status, const HttpLimits *limits, char *text, size_t size)
{
    HttpLimits defaults = HttpDefaultLimits();
    if (!limits)
        limits = &defaults;
    switch (result) {
    case HttpOk:
        snprintf(text, size, "OK");
        break;
    case HttpErrBadUrl:
        snprintf(text, size, "Not an http:// address");
        break;
    case HttpErrSocket:
        snprintf(text, size, "Cannot open a connection");
        break;
    case HttpErrResolve:
        snprintf(text, size, "Host not found");
        break;
    case HttpErrConnect:
        snprintf(text, size, "Cannot connect");
        break;
    case HttpErrConnectTimeout:
        snprintf(text, size, "Timeout: no connection within %ld s", (limits->connectMs + 999) / 1000);
        break;
    case HttpErrReceiveTimeout:
        snprintf(text, size, "Timeout: no data for %ld s", (limits->receiveMs + 999) / 1000);
        break;
    case HttpErrTotalTimeout:
        snprintf(text, size, "Timeout: not complete within %ld s", (limits->totalMs + 999) / 1000);
        break;
    case HttpErrReset:
        snprintf(text, size, "Connection reset");
        break;
    case HttpErrBadReply:
        snprintf(text, size, "Not an HTTP answer");
        break;
    case HttpErrStatus:
        if (status == 404)
            snprintf(text, size, "Item not found");
        else
            snprintf(text, size, "HTTP status %d", status);
        break;
    case HttpErrRedirects:
        snprintf(text, size, "Too many redirects (more than %d)", limits->maxRedirects);
        break;
    case HttpErrTooLarge:
        if (limits->maxBody >= (1u << 20))
            snprintf(text, size, "Larger than %u MiB, refused", static_cast<unsigned>(limits->maxBody >> 20));
        else
            snprintf(text, size, "Larger than %u bytes, refused", static_cast<unsigned>(limits->maxBody));
        break;
    case HttpErrCancelled:
        snprintf(text, size, "Cancelled");
        break;
    case HttpErrMemory:
        snprintf(text, size, "Out of memory");
        break;
    case HttpErrNoAnswer:
        snprintf(text, size, "No answer from the master");
        break;
    case HttpErrNotServerList:
        snprintf(text, size, "The master's answer is not a server list");
        break;
    default:
        snprintf(text, size, "Error code: %d", result);
        break;
    }
}
