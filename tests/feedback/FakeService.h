#pragma once
#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A small HTTP service on 127.0.0.1 in the test program itself, so that each
// case chooses exactly how the feedback service behaves.
class CFakeService {
public:
    enum class Behaviour {
        Answer,   // status and body below, then close
        Silent,   // accept, read the request, never answer
        Trickle,  // headers at once, then one body byte every 400 ms
        Garbage,  // bytes that are no HTTP at all
    };
    struct Request {
        std::string method, path, body;
    };

    CFakeService();
    ~CFakeService();
    CFakeService(const CFakeService&) = delete;
    CFakeService& operator=(const CFakeService&) = delete;

    unsigned short Port() const { return m_port; }
    void Set(Behaviour b, int status = 200, const std::string& body = std::string());
    std::vector<Request> Requests();

    // A port on which nothing listens: bound once and closed again.
    static unsigned short ClosedPort();

private:
    void Serve();
    void Handle(SOCKET s);

    SOCKET m_listen = INVALID_SOCKET;
    unsigned short m_port = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    Behaviour m_behaviour = Behaviour::Answer;
    int m_status = 200;
    std::string m_body;
    std::vector<Request> m_requests;
    std::vector<std::thread> m_handlers;
    std::thread m_thread;
};
