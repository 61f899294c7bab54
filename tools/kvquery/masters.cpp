#include "masters.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kv/kv.h"
#include "net/httpget.h"
#include "net/udpmaster.h"
#include "serverlist/listformat.h"

namespace kvquery {

namespace {

std::string AddressText(uint32_t ipNet, uint16_t port) {
    char text[32];
    FormatHostAddress(ipNet, port, text, sizeof text);
    return text;
}

}  // namespace

std::vector<std::string> ParseMasterList(const char* text, size_t size) {
    std::vector<std::string> hosts;
    size_t fileSize = 0, servers = 0;
    unsigned char* file = BuildMasterServerFile(text, size, nullptr, 0, &fileSize, &servers);
    if (!file) return hosts;
    ServerFileRecord record;
    for (size_t at = ListFileHeaderSize, n; at < fileSize && (n = ReadServerRecord(file + at, fileSize - at, &record));
         at += n)
        hosts.push_back(AddressText(record.ip, record.port));
    std::free(file);
    return hosts;
}

bool FetchMasterList(const std::string& url, long timeoutSeconds, std::vector<std::string>* hosts,
                     std::string* error) {
    if (url.compare(0, 7, "http://") != 0) {
        *error = "the master URL must begin with http:// (\"" + url + "\")";
        return false;
    }
    // The program's own HTTP client: redirects, chunked bodies, the size
    // limit; the timeout bounds each wait and the whole fetch.
    HttpLimits limits = HttpDefaultLimits();
    limits.connectMs = limits.receiveMs = limits.totalMs = timeoutSeconds * 1000;
    limits.maxBody = kMaxMasterListBytes;
    HttpResponse response;
    int result = HttpGet(url.c_str(), &limits, nullptr, nullptr, nullptr, &response);
    if (result != HttpOk) {
        char text[128];
        if (result == HttpErrStatus)
            std::snprintf(text, sizeof text, "HTTP status %d", response.status);
        else
            HttpResultText(result, response.status, &limits, text, sizeof text);
        *error = "master " + url + ": " + text;
        HttpResponseFree(&response);
        return false;
    }
    *hosts = ParseMasterList(reinterpret_cast<const char*>(response.body), response.size);
    HttpResponseFree(&response);
    return true;
}

bool QueryUdpMaster(const std::string& hostPort, long timeoutSeconds, std::vector<std::string>* hosts,
                    std::string* error, std::string* warning) {
    // The program's own reader: every datagram of the answer, until a
    // second of silence or the timeout.
    UdpMasterReply reply;
    int result = UdpMasterGet(hostPort.c_str(), kUdpMasterSilenceMs, timeoutSeconds * 1000, nullptr, &reply);
    if (result == HttpErrBadUrl) {
        *error = "bad UDP master \"" + hostPort + "\" (HOST[:PORT], port 1 to 65535)";
    } else if (result != HttpOk) {
        char text[128];
        HttpResultText(result, 0, nullptr, text, sizeof text);
        *error = "UDP master " + hostPort + ": " + text;
    } else {
        for (size_t i = 0; i < reply.count; ++i) hosts->push_back(AddressText(reply.hosts[i].ip, reply.hosts[i].port));
        if (reply.cutBytes != 0)
            *warning = "the master's reply ends in a cut record (" + std::to_string(reply.cutBytes) +
                       " bytes); ignored it";
    }
    UdpMasterReplyFree(&reply);
    return result == HttpOk;
}

}  // namespace kvquery
