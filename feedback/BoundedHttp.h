#pragma once
#include <windows.h>

#include <string>

struct BoundedHttpRequest {
    bool secure = true;
    std::wstring host;
    unsigned short port = 443;
    std::wstring verb;          // "GET" or "POST"
    std::wstring pathAndQuery;  // starts with '/'
    std::string body;           // sent as form data when not empty
};

struct BoundedHttpResult {
    bool answered = false;  // a complete response arrived within the limit
    DWORD status = 0;
    std::string body;       // at most the body limit
};

// Runs one request on a worker thread and waits at most `limitMs` for it.
// A service that accepts and never answers, or trickles its answer, only
// costs the caller the limit; the worker is left to finish on its own.
BoundedHttpResult RunBoundedHttp(const BoundedHttpRequest& request, DWORD limitMs, size_t bodyLimit);
