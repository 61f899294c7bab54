// A test that talks to a UloStub process started for it.
#ifndef PARLET_TESTS_CLIENT_FIXTURE_H
#define PARLET_TESTS_CLIENT_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

class ClientTest : public ::testing::Test {
protected:
    void StartClient(const std::string &config)
    {
        std::string error;
        const char *tag = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(StartStub(&stub_, tag, config, &error)) << error;
        running_ = true;
    }

    void StopClient()
    {
        if (running_) {
            EXPECT_TRUE(StopStub(&stub_)) << "UloStub did not end cleanly";
        }
        running_ = false;
    }

    void TearDown() override { StopClient(); }

    std::vector<std::string> Log(const char *prefix) const { return StubLog(stub_, prefix); }

    // The text after "key=" in a log line, up to the next space (or the end
    // of the line for "data=" and "events=").
    static std::string Value(const std::string &line, const char *key)
    {
        std::string wanted = std::string(" ") + key + "=";
        size_t at = line.find(wanted);
        if (at == std::string::npos)
            return "<missing " + std::string(key) + ">";
        at += wanted.size();
        bool toEnd = wanted == " data=" || wanted == " events=";
        size_t end = toEnd ? std::string::npos : line.find(' ', at);
        return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
    }

    StubRun stub_ = StubRun();
    bool running_ = false;
};

// "1F 00 ..." for the bytes of a text and its NUL.
inline std::string HexOfText(const std::string &text)
{
    std::string hex;
    char pair[4];
    for (size_t i = 0; i <= text.size(); i++) {
        snprintf(pair, sizeof pair, i ? " %02X" : "%02X", (unsigned char)text.c_str()[i]);
        hex += pair;
    }
    return hex;
}

#endif
