#include <gtest/gtest.h>

#include <string>

#include "printing/SnmpPacket.h"

// Packets written out by hand from RFC 1157 section 4.1 and X.690, community
// "public", request id 0x1234, hrDeviceStatus.1.

namespace {

const char kOidStatus1[] = "\x06\x0B\x2B\x06\x01\x02\x01\x19\x03\x02\x01\x05\x01";

std::string Bytes(const char* text, size_t size) { return std::string(text, size); }


// version 0, "public", GetResponse, id 0x1234, error status 0, index 0, hrDeviceStatus.1 = 2 (running).
const std::string kAnswer = Bytes("\x30\x2B\x02\x01\x00\x04\x06public\xA2\x1E\x02\x02\x12\x34\x02\x01\x00\x02\x01\x00"
                                  "\x30\x12\x30\x10", 29) + Bytes(kOidStatus1, 13) + Bytes("\x02\x01\x02", 3);

TEST(SnmpPacket, EncodesTheStatusQueryAsTheMonitorSendsIt) {
    std::string expected = Bytes("\x30\x2A\x02\x01\x00\x04\x06public\xA0\x1D\x02\x02\x12\x34\x02\x01\x00\x02\x01\x00"
                                 "\x30\x11\x30\x0F", 29) + Bytes(kOidStatus1, 13) + Bytes("\x05\x00", 2);
    EXPECT_EQ(expected, EncodeSnmpStatusQuery("public", 1, 0x1234));

    // An index above 127 takes two base-128 bytes; an id with its top bit set a leading zero.
    std::string big = EncodeSnmpStatusQuery("", 300, 0x80);
    EXPECT_NE(std::string::npos, big.find(Bytes("\x05\x82\x2C\x05\x00", 5)));
    EXPECT_NE(std::string::npos, big.find(Bytes("\xA0\x1E\x02\x02\x00\x80", 6)));
}

TEST(SnmpPacket, AnswerCountsOnlyForItsRequestWithoutError) {
    SnmpResponse response;
    ASSERT_TRUE(DecodeSnmpResponse(kAnswer.data(), kAnswer.size(), &response));
    EXPECT_EQ(0x1234, response.requestId);
    EXPECT_EQ(0, response.errorStatus);
    EXPECT_TRUE(SnmpAnswers(kAnswer.data(), kAnswer.size(), 0x1234));
    EXPECT_FALSE(SnmpAnswers(kAnswer.data(), kAnswer.size(), 0x1235));

    // noSuchName (2) at index 1: the agent answered but has no status for this device.
    std::string error = Bytes("\x30\x2A\x02\x01\x00\x04\x06public\xA2\x1D\x02\x02\x12\x34\x02\x01\x02\x02\x01\x01"
                              "\x30\x11\x30\x0F", 29) + Bytes(kOidStatus1, 13) + Bytes("\x05\x00", 2);
    ASSERT_TRUE(DecodeSnmpResponse(error.data(), error.size(), &response));
    EXPECT_EQ(2, response.errorStatus);
    EXPECT_FALSE(SnmpAnswers(error.data(), error.size(), 0x1234));

    // BER allows the long form of a length where the short one would do (X.690 8.1.3.5).
    std::string longForm = Bytes("\x30\x81\x2B", 3) + kAnswer.substr(2);
    EXPECT_TRUE(SnmpAnswers(longForm.data(), longForm.size(), 0x1234));
}

TEST(SnmpPacket, RejectsWhatIsNoGetResponse) {
    std::string request = EncodeSnmpStatusQuery("public", 1, 0x1234);
    std::string truncated = kAnswer.substr(0, kAnswer.size() - 1);
    std::string version2c = kAnswer;
    version2c[4] = 1;
    std::string lengthPastEnd = Bytes("\x30\x84\xFF\xFF\xFF\xFF\x02\x01\x00", 9);
    for (const std::string& packet : {request, truncated, version2c, lengthPastEnd, std::string("garbage!"), std::string()}) {
        SnmpResponse response;
        EXPECT_FALSE(DecodeSnmpResponse(packet.data(), packet.size(), &response)) << packet.size();
        EXPECT_FALSE(SnmpAnswers(packet.data(), packet.size(), 0x1234));
    }
}

}  // namespace
