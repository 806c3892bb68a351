#include "printing/SnmpPacket.h"

// Tags from X.690 8.3-8.19 and RFC 1157 section 4.1.
namespace {

const unsigned char kInteger = 0x02, kOctetString = 0x04, kNull = 0x05, kOid = 0x06, kSequence = 0x30;
const unsigned char kGetRequest = 0xA0, kGetResponse = 0xA2;

void AppendLength(std::string& out, size_t length) {
    // X.690 8.1.3: short form below 128, else 0x80 | count of length bytes.
    if (length < 0x80) {
        out += static_cast<char>(length);
        return;
    }
    std::string bytes;
    for (; length != 0; length >>= 8) bytes.insert(bytes.begin(), static_cast<char>(length & 0xFF));
    out += static_cast<char>(0x80 | bytes.size());
    out += bytes;
}

std::string Tlv(unsigned char tag, const std::string& content) {
    std::string out(1, static_cast<char>(tag));
    AppendLength(out, content.size());
    return out + content;
}

std::string Integer(int32_t value) {
    // X.690 8.3: two's complement, fewest bytes that keep the sign.
    std::string bytes;
    int64_t v = value;
    do {
        bytes.insert(bytes.begin(), static_cast<char>(v & 0xFF));
        v >>= 8;
    } while (!((v == 0 && !(bytes[0] & 0x80)) || (v == -1 && (bytes[0] & 0x80))));
    return Tlv(kInteger, bytes);
}

void AppendSubidentifier(std::string& out, uint32_t value) {
    // X.690 8.19.2: base 128, high bit set on every byte but the last.
    std::string bytes(1, static_cast<char>(value & 0x7F));
    for (value >>= 7; value != 0; value >>= 7) bytes.insert(bytes.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    out += bytes;
}

class Reader {
public:
    Reader(const unsigned char* p, size_t n) : m_p(p), m_end(p + n) {}
    // Enters the next element if it has the tag; its content becomes *inner.
    bool Next(unsigned char tag, Reader* inner) {
        if (m_end - m_p < 2 || *m_p != tag) return false;
        const unsigned char* p = m_p + 1;
        size_t length = *p++;
        if (length & 0x80) {
            size_t count = length & 0x7F;
            if (count == 0 || count > 4 || static_cast<size_t>(m_end - p) < count) return false;
            length = 0;
            while (count--) length = (length << 8) | *p++;
        }
        if (static_cast<size_t>(m_end - p) < length) return false;
        *inner = Reader(p, length);
        m_p = p + length;
        return true;
    }
    bool Int(int32_t* value) {
        Reader inner(nullptr, 0);
        if (!Next(kInteger, &inner) || inner.m_p == inner.m_end || inner.m_end - inner.m_p > 4) return false;
        int32_t v = (*inner.m_p & 0x80) ? -1 : 0;
        for (const unsigned char* p = inner.m_p; p != inner.m_end; ++p) v = static_cast<int32_t>((static_cast<uint32_t>(v) << 8) | *p);
        *value = v;
        return true;
    }

private:
    const unsigned char* m_p;
    const unsigned char* m_end;
};

}  // namespace

std::string EncodeSnmpStatusQuery(const std::string& community, uint32_t deviceIndex, int32_t requestId) {
    std::string oid = "\x2B";  // 1.3 as 40 * 1 + 3 (X.690 8.19.4)
    for (uint32_t arc : {6u, 1u, 2u, 1u, 25u, 3u, 2u, 1u, 5u, deviceIndex}) AppendSubidentifier(oid, arc);
    std::string binding = Tlv(kSequence, Tlv(kOid, oid) + Tlv(kNull, ""));
    std::string pdu = Tlv(kGetRequest, Integer(requestId) + Integer(0) + Integer(0) + Tlv(kSequence, binding));
    return Tlv(kSequence, Integer(0) + Tlv(kOctetString, community) + pdu);
}

bool DecodeSnmpResponse(const void* data, size_t size, SnmpResponse* out) {
    Reader packet(static_cast<const unsigned char*>(data), size), message(nullptr, 0), ignored(nullptr, 0), pdu(nullptr, 0);
    int32_t version = -1, errorIndex = 0;
    SnmpResponse response;
    if (!packet.Next(kSequence, &message) || !message.Int(&version) || version != 0) return false;
    if (!message.Next(kOctetString, &ignored) || !message.Next(kGetResponse, &pdu)) return false;
    if (!pdu.Int(&response.requestId) || !pdu.Int(&response.errorStatus) || !pdu.Int(&errorIndex)) return false;
    if (!pdu.Next(kSequence, &ignored)) return false;
    *out = response;
    return true;
}

bool SnmpAnswers(const void* data, size_t size, int32_t requestId) {
    SnmpResponse response;
    return DecodeSnmpResponse(data, size, &response) && response.requestId == requestId && response.errorStatus == 0;
}
