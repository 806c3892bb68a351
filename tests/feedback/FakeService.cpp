#include "tests/feedback/FakeService.h"

#include <ws2tcpip.h>

#include <cstdlib>
#include <cstring>

namespace {

struct WinsockUser {
    WinsockUser() {
        WSADATA d;
        ::WSAStartup(MAKEWORD(2, 2), &d);
    }
};

SOCKET Loopback(unsigned short* port) {
    static WinsockUser winsock;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    int len = sizeof(a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    return s;
}

// Waits until the socket can be read or written, or the service stops.
// Handlers never block in a call, so a client that stops reading can't pin
// one: Wine doesn't always close a connection its caller has let go of.
bool Ready(SOCKET s, bool write, const std::atomic<bool>& stop) {
    while (!stop) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(s, &set);
        timeval wait{0, 50 * 1000};
        int n = ::select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &wait);
        if (n != 0) return n > 0;
    }
    return false;
}

void SendAll(SOCKET s, const std::string& data, const std::atomic<bool>& stop) {
    size_t sent = 0;
    while (sent < data.size()) {
        if (!Ready(s, true, stop)) return;
        int n = ::send(s, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) continue;
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

}  // namespace

CFakeService::CFakeService() {
    m_listen = Loopback(&m_port);
    ::listen(m_listen, 16);
    m_thread = std::thread([this] { Serve(); });
}

CFakeService::~CFakeService() {
    m_stop = true;
    ::closesocket(m_listen);
    m_thread.join();
    for (auto& t : m_handlers) t.join();
}

unsigned short CFakeService::ClosedPort() {
    unsigned short port = 0;
    SOCKET s = Loopback(&port);
    ::closesocket(s);
    return port;
}

void CFakeService::Set(Behaviour b, int status, const std::string& body) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_behaviour = b;
    m_status = status;
    m_body = body;
}

std::vector<CFakeService::Request> CFakeService::Requests() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void CFakeService::Serve() {
    for (;;) {
        SOCKET s = ::accept(m_listen, nullptr, nullptr);
        if (s == INVALID_SOCKET) return;
        u_long nonBlocking = 1;
        ::ioctlsocket(s, FIONBIO, &nonBlocking);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_handlers.emplace_back([this, s] { Handle(s); });
    }
}

void CFakeService::Handle(SOCKET s) {
    // Read the head, then as much body as Content-Length announces.
    std::string in;
    char buf[2048];
    size_t headEnd = std::string::npos;
    size_t want = 0;
    while (Ready(s, false, m_stop)) {
        int n = ::recv(s, buf, sizeof(buf), 0);
        if (n == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) continue;
        if (n <= 0) break;
        in.append(buf, n);
        if (headEnd == std::string::npos) {
            headEnd = in.find("\r\n\r\n");
            if (headEnd == std::string::npos) continue;
            std::string head = in.substr(0, headEnd);
            for (char& c : head) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
            size_t cl = head.find("content-length:");
            want = cl == std::string::npos ? 0 : static_cast<size_t>(std::atoi(head.c_str() + cl + 15));
        }
        if (in.size() >= headEnd + 4 + want) break;
    }
    Request r;
    if (headEnd != std::string::npos) {
        size_t sp1 = in.find(' '), sp2 = in.find(' ', sp1 + 1);
        r.method = in.substr(0, sp1);
        r.path = in.substr(sp1 + 1, sp2 - sp1 - 1);
        r.body = in.substr(headEnd + 4);
    }
    Behaviour b;
    int status;
    std::string body;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(r);
        b = m_behaviour;
        status = m_status;
        body = m_body;
    }
    switch (b) {
    case Behaviour::Answer:
        SendAll(s, "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Type: text/plain\r\nContent-Length: " +
                       std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body,
                m_stop);
        break;
    case Behaviour::Silent:
        while (!m_stop) ::Sleep(20);
        break;
    case Behaviour::Trickle:
        SendAll(s, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5000\r\nConnection: close\r\n\r\n",
                m_stop);
        for (int i = 0; i < 5000 && !m_stop; ++i) {
            SendAll(s, "9", m_stop);
            for (int w = 0; w < 20 && !m_stop; ++w) ::Sleep(20);
        }
        break;
    case Behaviour::Garbage:
        SendAll(s, std::string("\x00\xff\x13garbage\r\n\r\n\x01", 14), m_stop);
        break;
    }
    ::shutdown(s, SD_SEND);
    ::Sleep(50);
    ::closesocket(s);
}
