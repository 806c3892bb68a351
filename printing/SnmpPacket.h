#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The few SNMP v1 packets the printer's status query needs (RFC 1157), in BER
// (X.690). Pure bytes, no sockets.

// A GetRequest for hrDeviceStatus (RFC 2790: 1.3.6.1.2.1.25.3.2.1.5.<deviceIndex>), the
// printer's state as Windows' TCP/IP port monitor reads it.
std::string EncodeSnmpStatusQuery(const std::string& community, uint32_t deviceIndex, int32_t requestId);

struct SnmpResponse {
    int32_t requestId = 0;
    int32_t errorStatus = 0;
};

// Reads a GetResponse; false for anything else, torn or malformed.
bool DecodeSnmpResponse(const void* data, size_t size, SnmpResponse* out);

// True when the packet answers requestId with error status 0.
bool SnmpAnswers(const void* data, size_t size, int32_t requestId);
