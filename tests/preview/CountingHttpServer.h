#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

/// An HTTP server on 127.0.0.1 that counts every connection made to it and
/// answers each request with a small page, so a load that got through would
/// show in the count however far it went.
class CountingHttpServer {
public:
    CountingHttpServer()
    {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 ||
            bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(m_listener, 64) != 0 ||
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }

    ~CountingHttpServer()
    {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        if (m_listener >= 0) {
            close(m_listener);
        }
    }

    CountingHttpServer(const CountingHttpServer&) = delete;
    CountingHttpServer& operator=(const CountingHttpServer&) = delete;

    /// Whether the server listens.
    bool Listening() const { return m_port != 0; }
    /// The absolute URL of `path` on the server.
    std::string Url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }
    /// Connections made so far.
    int Connections() const { return m_connections; }
    /// The request lines received so far, one a line.
    std::string Requests() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string all;
        for (const std::string& line : m_requests) {
            all += line + "\n";
        }
        return all;
    }

private:
    void Serve()
    {
        while (!m_stop) {
            pollfd waiting{m_listener, POLLIN, 0};
            if (poll(&waiting, 1, 20) <= 0) {
                continue;
            }
            const int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                continue;
            }
            ++m_connections;
            char buffer[4096];
            pollfd reading{client, POLLIN, 0};
            const ssize_t got =
                poll(&reading, 1, 1000) > 0 ? read(client, buffer, sizeof buffer) : 0;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                const std::string request(buffer, got > 0 ? std::size_t(got) : 0);
                m_requests.push_back(got > 0 ? request.substr(0, request.find('\r'))
                                             : "(a connection without a request)");
            }
            static const std::string reply = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                                             "Content-Length: 13\r\nConnection: close\r\n\r\n"
                                             "<b>loaded</b>";
            [[maybe_unused]] const ssize_t sent = write(client, reply.data(), reply.size());
            close(client);
        }
    }

    int m_listener = -1;
    unsigned short m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};
