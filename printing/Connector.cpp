// Winsock's headers before windows.h's, which would otherwise bring the old ones.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "printing/Connector.h"

#include <vector>

#include "printing/SnmpPacket.h"

namespace {

// Each socket of one attempt, closed with its owner.
class CSockets {
public:
    ~CSockets() {
        for (SOCKET s : m_all) ::closesocket(s);
    }
    CSockets() = default;
    CSockets(const CSockets&) = delete;
    CSockets& operator=(const CSockets&) = delete;
    void Add(SOCKET s) { m_all.push_back(s); }
    std::vector<SOCKET>& All() { return m_all; }

private:
    std::vector<SOCKET> m_all;
};

DWORD Left(DWORD start, DWORD limitMs) {
    DWORD spent = ::GetTickCount() - start;
    return spent < limitMs ? limitMs - spent : 0;
}

// Where a name or an address written out leads; null when it leads nowhere.
ADDRINFOW* Resolve(const std::wstring& host, const wchar_t* service, int type, int protocol) {
    ADDRINFOW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = type;
    hints.ai_protocol = protocol;
    // An address written out is never looked up as a name.
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    ADDRINFOW* found = nullptr;
    if (::GetAddrInfoW(host.c_str(), service, &hints, &found) == 0 && found) return found;
    hints.ai_flags = AI_NUMERICSERV;
    found = nullptr;
    if (::GetAddrInfoW(host.c_str(), service, &hints, &found) == 0) return found;
    return nullptr;
}

// One GetRequest on a UDP socket connected to the printer, so that only its
// answers come in, and a port where nothing listens ends the wait at once.
class CSnmpQuery : public IStatusQuery {
public:
    CSnmpQuery(SOCKET s, int32_t id) : m_socket(s), m_id(id) {}
    ~CSnmpQuery() override { ::closesocket(m_socket); }
    CSnmpQuery(const CSnmpQuery&) = delete;
    CSnmpQuery& operator=(const CSnmpQuery&) = delete;

    bool Answered(DWORD waitMs) override {
        DWORD start = ::GetTickCount();
        for (;;) {
            DWORD left = Left(start, waitMs);
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(m_socket, &readable);
            timeval wait{static_cast<long>(left / 1000), static_cast<long>(left % 1000) * 1000};
            if (::select(0, &readable, nullptr, nullptr, &wait) <= 0) return false;
            char packet[1500];
            int n = ::recv(m_socket, packet, sizeof(packet), 0);
            // WSAECONNRESET: the printer said nothing listens there.
            if (n < 0) return false;
            if (SnmpAnswers(packet, static_cast<size_t>(n), m_id)) return true;
        }
    }

private:
    SOCKET m_socket;
    int32_t m_id;
};

class CWindowsConnector : public IConnector {
public:
    std::unique_ptr<IStatusQuery> AskStatus(const std::wstring& host, const std::string& community,
                                            DWORD index) override {
        ADDRINFOW* found = Resolve(host, L"161", SOCK_DGRAM, IPPROTO_UDP);
        if (!found) return nullptr;
        SOCKET s = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
        bool connected = s != INVALID_SOCKET && ::connect(s, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0;
        ::FreeAddrInfoW(found);
        static LONG counter = 0;
        int32_t id = static_cast<int32_t>((::GetTickCount() ^ static_cast<DWORD>(::InterlockedIncrement(&counter)) << 16) &
                                          0x7FFFFFFF);
        std::string packet = EncodeSnmpStatusQuery(community, index, id);
        if (!connected || ::send(s, packet.data(), static_cast<int>(packet.size()), 0) != static_cast<int>(packet.size())) {
            if (s != INVALID_SOCKET) ::closesocket(s);
            return nullptr;
        }
        return std::make_unique<CSnmpQuery>(s, id);
    }

    ReachOutcome Connect(const std::wstring& host, unsigned short port, DWORD limitMs) override {
        DWORD start = ::GetTickCount();
        wchar_t service[8];
        _ultow(port, service, 10);
        ADDRINFOW* found = Resolve(host, service, SOCK_STREAM, IPPROTO_TCP);
        if (!found) return ReachOutcome::NameNotFound;
        ReachOutcome outcome = TryAll(found, start, limitMs);
        ::FreeAddrInfoW(found);
        return outcome;
    }

private:
    // Every address at once, IPv6 and IPv4 alike, within one limit: the
    // first that takes the connection answers for the printer.
    static ReachOutcome TryAll(const ADDRINFOW* found, DWORD start, DWORD limitMs) {
        CSockets pending;
        bool refused = false;
        for (const ADDRINFOW* a = found; a && pending.All().size() < FD_SETSIZE; a = a->ai_next) {
            SOCKET s = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
            if (s == INVALID_SOCKET) continue;
            u_long nonBlocking = 1;
            ::ioctlsocket(s, FIONBIO, &nonBlocking);
            if (::connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) {
                ::closesocket(s);
                return ReachOutcome::Answered;
            }
            int error = ::WSAGetLastError();
            if (error == WSAEWOULDBLOCK) pending.Add(s);
            else {
                refused = refused || error == WSAECONNREFUSED;
                ::closesocket(s);
            }
        }
        while (!pending.All().empty()) {
            DWORD left = Left(start, limitMs);
            if (!left) break;
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            for (SOCKET s : pending.All()) {
                FD_SET(s, &writable);
                FD_SET(s, &failed);
            }
            timeval wait{static_cast<long>(left / 1000), static_cast<long>(left % 1000) * 1000};
            int n = ::select(0, nullptr, &writable, &failed, &wait);
            if (n < 0) break;
            auto& all = pending.All();
            for (size_t i = 0; i < all.size();) {
                if (FD_ISSET(all[i], &writable)) return ReachOutcome::Answered;
                if (FD_ISSET(all[i], &failed)) {
                    int error = 0, size = sizeof(error);
                    ::getsockopt(all[i], SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
                    refused = refused || error == WSAECONNREFUSED;
                    ::closesocket(all[i]);
                    all.erase(all.begin() + static_cast<std::ptrdiff_t>(i));
                } else {
                    ++i;
                }
            }
        }
        return refused ? ReachOutcome::Refused : ReachOutcome::NoAnswer;
    }
};

}  // namespace

std::shared_ptr<IConnector> OpenWindowsConnector() {
    // Once per process, and never WSACleanup: a connect left behind may
    // still be running.
    static const int started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (started != 0) return nullptr;
    return std::make_shared<CWindowsConnector>();
}
