#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace TestSupport {

// A small HTTP/1.0 server on 127.0.0.1 for tests: answers GET requests from a table of paths,
// one connection at a time, plain or over TLS with a given certificate. It records what the
// client sent.
class LocalHttpServer {
public:
    struct Response {
        int status = 200;
        std::string body;
        std::vector<std::string> headers; // "Name: value"
        // The body goes out in pieces of this size with a pause between them (0: at once).
        std::size_t chunk = 0;
        std::chrono::milliseconds pause{0};
    };
    static Response Reply(int status, std::string body) {
        Response response;
        response.status = status;
        response.body = std::move(body);
        return response;
    }
    static Response Redirect(const std::string& location) {
        Response response = Reply(302, {});
        response.headers.push_back("Location: " + location);
        return response;
    }
    struct Request {
        std::string target; // path and query
        std::map<std::string, std::string> headers; // names in lower case
    };

    // With certificate and key (PEM files) it speaks TLS.
    explicit LocalHttpServer(const std::string& certificate = {}, const std::string& key = {}) {
        if (!certificate.empty()) {
            m_tls = SSL_CTX_new(TLS_server_method());
            if (m_tls == nullptr || SSL_CTX_use_certificate_chain_file(m_tls, certificate.c_str()) != 1 ||
                SSL_CTX_use_PrivateKey_file(m_tls, key.c_str(), SSL_FILETYPE_PEM) != 1) {
                throw std::runtime_error("TLS set-up failed");
            }
        }
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(m_listener, 8) != 0 ||
            getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("listen failed");
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }

    ~LocalHttpServer() {
        m_stop = true;
        m_thread.join();
        close(m_listener);
        if (m_tls != nullptr) {
            SSL_CTX_free(m_tls);
        }
    }

    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const {
        return std::string(m_tls != nullptr ? "https" : "http") + "://127.0.0.1:" + std::to_string(m_port) + path;
    }

    // Answers requests whose path (without the query) equals path.
    void Serve(const std::string& path, Response response) {
        std::lock_guard lock(m_mutex);
        m_routes[path] = std::move(response);
    }

    std::vector<Request> Requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    struct Connection {
        int fd = -1;
        SSL* ssl = nullptr;
        bool Send(const char* data, std::size_t length) {
            while (length > 0) {
                const long sent = ssl != nullptr ? SSL_write(ssl, data, static_cast<int>(length))
                                                 : ::send(fd, data, length, MSG_NOSIGNAL);
                if (sent <= 0) {
                    return false;
                }
                data += sent;
                length -= static_cast<std::size_t>(sent);
            }
            return true;
        }
        long Receive(char* buffer, std::size_t length) {
            return ssl != nullptr ? SSL_read(ssl, buffer, static_cast<int>(length)) : ::recv(fd, buffer, length, 0);
        }
    };

    void Serve() {
        while (!m_stop) {
            pollfd poll_fd{m_listener, POLLIN, 0};
            if (poll(&poll_fd, 1, 50) <= 0) {
                continue;
            }
            Connection connection;
            connection.fd = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection.fd < 0) {
                continue;
            }
            timeval timeout{5, 0};
            setsockopt(connection.fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
            if (m_tls != nullptr) {
                connection.ssl = SSL_new(m_tls);
                SSL_set_fd(connection.ssl, connection.fd);
                if (SSL_accept(connection.ssl) != 1) {
                    SSL_free(connection.ssl);
                    close(connection.fd);
                    continue;
                }
            }
            Handle(connection);
            if (connection.ssl != nullptr) {
                SSL_shutdown(connection.ssl);
                SSL_free(connection.ssl);
            }
            close(connection.fd);
        }
    }

    void Handle(Connection& connection) {
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            const long got = connection.Receive(buffer, sizeof buffer);
            if (got <= 0) {
                return;
            }
            head.append(buffer, static_cast<std::size_t>(got));
        }
        Request request;
        const std::size_t firstSpace = head.find(' ');
        const std::size_t secondSpace = head.find(' ', firstSpace + 1);
        request.target = head.substr(firstSpace + 1, secondSpace - firstSpace - 1);
        std::size_t line = head.find("\r\n") + 2;
        while (line < head.size()) {
            const std::size_t end = head.find("\r\n", line);
            if (end == line || end == std::string::npos) {
                break;
            }
            const std::string text = head.substr(line, end - line);
            const std::size_t colon = text.find(':');
            if (colon != std::string::npos) {
                std::string name = text.substr(0, colon);
                for (char& c : name) {
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                }
                request.headers[name] = text.substr(text.find_first_not_of(' ', colon + 1));
            }
            line = end + 2;
        }
        Response response;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(request);
            const std::string path = request.target.substr(0, request.target.find('?'));
            const auto found = m_routes.find(path);
            if (found == m_routes.end()) {
                response.status = 404;
            } else {
                response = found->second;
            }
        }
        std::string reply = "HTTP/1.0 " + std::to_string(response.status) + " X\r\nContent-Length: " +
                            std::to_string(response.body.size()) + "\r\n";
        for (const std::string& header : response.headers) {
            reply += header + "\r\n";
        }
        reply += "\r\n";
        if (!connection.Send(reply.data(), reply.size())) {
            return;
        }
        const std::size_t chunk = response.chunk == 0 ? response.body.size() : response.chunk;
        for (std::size_t offset = 0; offset < response.body.size() && !m_stop; offset += chunk) {
            const std::size_t length = std::min(chunk, response.body.size() - offset);
            if (!connection.Send(response.body.data() + offset, length)) {
                return;
            }
            if (response.pause.count() > 0) {
                std::this_thread::sleep_for(response.pause);
            }
        }
    }

    SSL_CTX* m_tls = nullptr;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::map<std::string, Response> m_routes;
    std::vector<Request> m_requests;
};

} // namespace TestSupport
