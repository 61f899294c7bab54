// The HTTP client: the response parser fed in every split, and fetches
// from a loopback server that answers well, slowly, never, in chunks, in
// circles or without end.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "httpsim.h"
#include "net/httpget.h"

namespace {

// Feeds text in pieces of `piece` bytes; the parser's last answer.
int Parse(const std::string &text, size_t piece, HttpResponse *r, size_t maxBody = 1 << 20, bool end = true)
{
    HttpResponseInit(r, maxBody, false);
    int result = HttpMore;
    for (size_t at = 0; at < text.size() && result == HttpMore; at += piece)
        result = HttpResponseFeed(r, text.data() + at, std::min(piece, text.size() - at));
    if (result == HttpMore && end)
        result = HttpResponseEnd(r);
    return result;
}

std::string Body(const HttpResponse &r) { return r.body ? std::string(reinterpret_cast<char *>(r.body), r.size) : ""; }

TEST(HttpResponse, BodiesByLengthChunksAndCloseInAnySplit)
{
    const struct {
        const char *wire;
        const char *body;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", "hello"},
        {"HTTP/1.0 200 OK\nContent-length:5\n\nhello", "hello"},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n"
         "5;ext=1\r\n10.0.\r\nB \r\n0.1:27910\n1\r\n0\r\nTrailer: x\r\n\r\n",
         "10.0.0.1:27910\n1"},
        {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n\r\nto the end", "to the end"},
        {"HTTP/1.1 204 No Content\r\n\r\n", ""},
    };
    for (const auto &c : cases) {
        for (size_t piece : {size_t(1), size_t(2), size_t(7), size_t(4096)}) {
            HttpResponse r;
            EXPECT_EQ(Parse(c.wire, piece, &r), HttpOk) << c.wire << " / " << piece;
            EXPECT_EQ(Body(r), c.body) << c.wire << " / " << piece;
            HttpResponseFree(&r);
        }
    }
}

TEST(HttpResponse, BrokenCutAndOversizedAnswers)
{
    const struct {
        std::string wire;
        int result;
    } cases[] = {
        {"<html>hello</html>\r\n\r\n", HttpErrBadReply},
        {"HTTP/1.1 2x0 OK\r\n\r\n", HttpErrBadReply},
        {"HTTP/1.1 200 OK\r\nno colon\r\n\r\n", HttpErrBadReply},
        {"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\nhello", HttpErrBadReply},
        {"HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n", HttpErrBadReply},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", HttpErrBadReply},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabcX\r\n", HttpErrBadReply},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nfffffffffffffffff\r\n", HttpErrBadReply},
        {"HTTP/1.1 200 OK\r\nX: " + std::string(2000, 'a') + "\r\n\r\n", HttpErrBadReply},
        {std::string("HTTP/1.1 200 OK\r\nX: a\0b\r\n\r\n", 27), HttpErrBadReply},
        {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello", HttpErrReset},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n", HttpErrReset},
        {"", HttpErrReset},
        {"HTTP/1.1 200", HttpErrBadReply},
        // Over the limit of 16 bytes, announced or not.
        {"HTTP/1.1 200 OK\r\nContent-Length: 17\r\n\r\n", HttpErrTooLarge},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n11\r\n", HttpErrTooLarge},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\n123456789\r\n9\r\n", HttpErrTooLarge},
        {"HTTP/1.1 200 OK\r\n\r\n" + std::string(17, 'x'), HttpErrTooLarge},
    };
    for (const auto &c : cases) {
        for (size_t piece : {size_t(1), size_t(4096)}) {
            HttpResponse r;
            EXPECT_EQ(Parse(c.wire, piece, &r, 16), c.result) << c.wire << " / " << piece;
            HttpResponseFree(&r);
        }
    }
    // keepFirst: the version file's first bytes, whatever follows.
    HttpResponse r;
    HttpResponseInit(&r, 4, true);
    std::string wire = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n4.8.1 and more";
    EXPECT_EQ(HttpResponseFeed(&r, wire.data(), wire.size()), HttpOk);
    EXPECT_EQ(Body(r), "4.8.");
    HttpResponseFree(&r);
}

class HttpGetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        http = httpsim::Start(&error);
        ASSERT_NE(http, nullptr) << error;
        limits = HttpDefaultLimits();
    }
    void TearDown() override { httpsim::Stop(http); }
    int Get(const std::string &path, HttpResponse *r, const std::atomic<bool> *cancel = nullptr)
    {
        requests = 0;
        auto start = std::chrono::steady_clock::now();
        int result = HttpGet(httpsim::Url(http, path).c_str(), &limits, cancel, nullptr, nullptr, r, &requests);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return result;
    }
    std::string Text(int result, int status = 0)
    {
        char text[128];
        HttpResultText(result, status, &limits, text, sizeof text);
        return text;
    }
    httpsim::Server *http = nullptr;
    HttpLimits limits;
    int requests = 0;
    double seconds = 0;
};

TEST_F(HttpGetTest, ChunkedRedirectedAndRefusedBodies)
{
    httpsim::Response chunked;
    chunked.body = "# list\r\n10.0.0.1:27910\r\n10.0.0.2\r\n";
    chunked.chunked = true;
    httpsim::Serve(http, "/chunked", chunked);
    HttpResponse r;
    ASSERT_EQ(Get("/chunked", &r), HttpOk);
    EXPECT_EQ(Body(r), chunked.body);
    HttpResponseFree(&r);

    // Five redirects are followed (a relative one among them); a loop ends
    // after the sixth request.
    httpsim::Serve(http, "/r1", httpsim::Redirect(httpsim::Url(http, "/r2")));
    httpsim::Serve(http, "/r2", httpsim::Redirect("/r3"));
    httpsim::Serve(http, "/r3", httpsim::Redirect("r4"));
    httpsim::Serve(http, "/r4", httpsim::Redirect("/r5"));
    httpsim::Serve(http, "/r5", httpsim::Redirect("/chunked"));
    ASSERT_EQ(Get("/r1", &r), HttpOk);
    EXPECT_EQ(requests, 6);
    EXPECT_EQ(Body(r), chunked.body);
    HttpResponseFree(&r);
    httpsim::Serve(http, "/loop", httpsim::Redirect("/loop"));
    EXPECT_EQ(Get("/loop", &r), HttpErrRedirects);
    EXPECT_EQ(httpsim::RequestCount(http, "/loop"), 6);
    EXPECT_EQ(Text(HttpErrRedirects), "Too many redirects (more than 5)");
    httpsim::Serve(http, "/elsewhere", httpsim::Redirect("https://127.0.0.1/"));
    EXPECT_EQ(Get("/elsewhere", &r), HttpErrBadUrl);

    // Over 8 MiB, announced or chunked: refused.
    httpsim::Response big;
    big.body = std::string(1 << 20, '\n');
    big.repeat = 9;
    httpsim::Serve(http, "/big", big);
    EXPECT_EQ(Get("/big", &r), HttpErrTooLarge);
    EXPECT_EQ(r.body, nullptr);
    big.chunked = true;
    httpsim::Serve(http, "/bigchunks", big);
    EXPECT_EQ(Get("/bigchunks", &r), HttpErrTooLarge);
    EXPECT_EQ(Text(HttpErrTooLarge), "Larger than 8 MiB, refused");

    EXPECT_EQ(Get("/missing", &r), HttpErrStatus);
    EXPECT_EQ(r.status, 404);
    EXPECT_EQ(Text(HttpErrStatus, 404), "Item not found");
    EXPECT_EQ(Text(HttpErrStatus, 500), "HTTP status 500");
    HttpResponseFree(&r);
    EXPECT_EQ(HttpGet("http://127.0.0.1:1/", &limits, nullptr, nullptr, nullptr, &r), HttpErrConnect);
    for (const char *bad : {"ftp://127.0.0.1/", "http://", "http://a:99999/", "http://a b/", "http://u@a/"})
        EXPECT_EQ(HttpGet(bad, &limits, nullptr, nullptr, nullptr, &r), HttpErrBadUrl) << bad;
}

TEST_F(HttpGetTest, HangingAndDrippingServersEndAtTheirLimitsOrACancel)
{
    limits.receiveMs = 300;
    limits.totalMs = 1500;
    httpsim::Response silent;
    silent.hangBeforeAnswer = true;
    httpsim::Serve(http, "/silent", silent);
    httpsim::Response headersOnly;
    headersOnly.body = "10.0.0.1\n";
    headersOnly.hangAfterHeaders = true;
    httpsim::Serve(http, "/headers", headersOnly);
    httpsim::Response drip;
    drip.body = std::string(100, 'x');
    drip.dripMs = 100;
    httpsim::Serve(http, "/drip", drip);

    HttpResponse r;
    EXPECT_EQ(Get("/silent", &r), HttpErrReceiveTimeout);
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(Get("/headers", &r), HttpErrReceiveTimeout);
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(Text(HttpErrReceiveTimeout), "Timeout: no data for 1 s");
    EXPECT_EQ(Get("/drip", &r), HttpErrTotalTimeout);
    EXPECT_GE(seconds, 1.4);
    EXPECT_LT(seconds, 4.0);
    EXPECT_EQ(Text(HttpErrTotalTimeout), "Timeout: not complete within 2 s");

    // A cancel ends a fetch at once (the flag is looked at every 50 ms).
    limits = HttpDefaultLimits();
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    EXPECT_EQ(Get("/silent", &r, &cancel), HttpErrCancelled);
    canceller.join();
    EXPECT_LT(seconds, 1.0);
    EXPECT_EQ(Text(HttpErrCancelled), "Cancelled");
}

}  // namespace
