#include "ControlChannel.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <utility>

ControlChannel::ControlChannel(std::string path) : path_(std::move(path)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path) {
        throw std::runtime_error(path_ + ": too long for a socket path");
    }
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    struct stat st {};
    if (lstat(path_.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            throw std::runtime_error(path_ + ": exists and is not a socket");
        }
        if (unlink(path_.c_str()) != 0 && errno != ENOENT) {
            throw std::system_error(errno, std::generic_category(), path_);
        }
    }
    listen_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listen_ < 0) {
        throw std::system_error(errno, std::generic_category(), "socket");
    }
    if (bind(listen_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listen_, static_cast<int>(kMaxClients)) != 0) {
        const int error = errno;
        close(listen_);
        throw std::system_error(error, std::generic_category(), path_);
    }
}

ControlChannel::~ControlChannel() {
    for (const Client& client : clients_) {
        close(client.fd);
    }
    close(listen_);
    unlink(path_.c_str());
}

void ControlChannel::addPollFds(std::vector<pollfd>& fds) const {
    fds.push_back({listen_, POLLIN, 0});
    for (const Client& client : clients_) {
        // A client whose input has ended only waits for its replies to go.
        fds.push_back(
            {client.fd,
             static_cast<short>((client.closing ? 0 : POLLIN) | (client.out.empty() ? 0 : POLLOUT)),
             0});
    }
}

void ControlChannel::serve(std::span<const pollfd> fds,
                           const std::function<std::string(std::string_view)>& handle) {
    // fds describes the clients as they were when it was made; accept only afterwards.
    std::vector<Client> kept;
    for (size_t i = 0; i < clients_.size(); ++i) {
        Client& client = clients_[i];
        const short revents = i + 1 < fds.size() ? fds[i + 1].revents : 0;
        bool alive = true;
        if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !client.closing) {
            alive = read(client, handle);
        }
        alive = alive && write(client) && !(client.closing && client.out.empty());
        if (alive) {
            kept.push_back(std::move(client));
        } else {
            close(client.fd);
        }
    }
    clients_ = std::move(kept);
    if (!fds.empty() && (fds[0].revents & POLLIN) != 0) {
        accept();
    }
}

void ControlChannel::accept() {
    for (;;) {
        const int fd = accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        if (clients_.size() >= kMaxClients) {
            close(fd);
            continue;
        }
        clients_.push_back({fd, {}, {}});
    }
}

bool ControlChannel::read(Client& client,
                          const std::function<std::string(std::string_view)>& handle) {
    std::array<char, 4096> buffer;
    for (;;) {
        const ssize_t n = recv(client.fd, buffer.data(), buffer.size(), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            // The client has sent everything (as `socat` does when its input ends): a last line
            // without LF is a command as well, and the connection closes once every reply is
            // written.
            if (!client.in.empty()) {
                client.in += '\n';
                answerLines(client, handle);
            }
            client.closing = true;
            return true;
        }
        client.in.append(buffer.data(), static_cast<size_t>(n));
        answerLines(client, handle);
        if (client.out.size() > kMaxPending) {
            return false;
        }
        if (client.in.size() > kMaxLine) {
            client.out += "NG line too long\n";
            client.closing = true;
            return true;
        }
    }
}

void ControlChannel::answerLines(Client& client,
                                 const std::function<std::string(std::string_view)>& handle) {
    size_t end;
    while ((end = client.in.find('\n')) != std::string::npos) {
        std::string_view line(client.in.data(), end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        client.out += handle(line) + "\n";
        client.in.erase(0, end + 1);
    }
}

bool ControlChannel::write(Client& client) {
    while (!client.out.empty()) {
        const ssize_t n =
            send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno == EAGAIN || errno == EWOULDBLOCK;
        }
        client.out.erase(0, static_cast<size_t>(n));
    }
    return true;
}
