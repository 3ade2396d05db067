#pragma once
#include <poll.h>

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The unit's control channel: a local (Unix domain) stream socket on which clients send
// lines ended by LF (a CR before it is dropped) and get one reply line for each, in order.
// A client that ends its input still gets the replies to every line it sent.
// What a line means is the handler's business (see ControlCommand).
class ControlChannel {
  public:
    // The longest line; a client that sends a longer one is told so and disconnected.
    static constexpr size_t kMaxLine = 4096;
    // Clients beyond this many are disconnected at once.
    static constexpr size_t kMaxClients = 8;
    // Replies a client has not read beyond this many bytes: it is disconnected.
    static constexpr size_t kMaxPending = 64 * 1024;

    // Listens at path. A socket left there by a unit that ended without cleaning up is
    // replaced; any other file there is refused. Throws std::system_error, or
    // std::runtime_error for a path held by another file or too long for a socket.
    explicit ControlChannel(std::string path);
    // Disconnects every client and removes the socket.
    ~ControlChannel();
    ControlChannel(const ControlChannel&) = delete;
    ControlChannel& operator=(const ControlChannel&) = delete;

    // Appends the descriptors to wait on: the listening socket, then every client.
    void addPollFds(std::vector<pollfd>& fds) const;
    // Serves what poll reported on the descriptors addPollFds added (in that order):
    // accepts clients, answers each complete line with handle(line), writes the replies.
    void serve(std::span<const pollfd> fds,
               const std::function<std::string(std::string_view)>& handle);

  private:
    struct Client {
        int fd;
        std::string in;
        std::string out;
        bool closing = false;  // drop once out has gone
    };
    void accept();
    // False when the client is gone. At the end of its input every line read is answered
    // and the client is closing.
    bool read(Client& client, const std::function<std::string(std::string_view)>& handle);
    // Answers the complete lines in client.in.
    static void answerLines(Client& client,
                            const std::function<std::string(std::string_view)>& handle);
    static bool write(Client& client);

    std::string path_;
    int listen_ = -1;
    std::vector<Client> clients_;
};
