#pragma once
// Paths that are no regular file (a named pipe nobody writes to, a socket),
// and a bound on how long a piece of a test may take, so that an open that
// waits on such a path fails the test instead of hanging it.

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "tests/support/child_process.h"

namespace tamboro::test {

// A named pipe with no writer: a plain open for reading waits for one.
inline bool makeFifo(const std::filesystem::path& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}

// A Unix socket bound at a path, for as long as the object lives.
class BoundSocket {
public:
    explicit BoundSocket(const std::filesystem::path& path) : fd_(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string name = path.string();
        if (fd_ < 0 || name.size() >= sizeof address.sun_path)
            return;
        std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
        bound_ = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~BoundSocket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    BoundSocket(const BoundSocket&) = delete;
    BoundSocket& operator=(const BoundSocket&) = delete;
    bool bound() const { return bound_; }

private:
    int fd_;
    bool bound_ = false;
};

// Runs `body` in a child that is killed after `seconds`: its result (0..255),
// or -1 when it was killed or crashed.
inline int runWithin(unsigned seconds, const std::function<int()>& body) {
    return runInChild([&] {
        ::alarm(seconds);
        return body();
    });
}

}  // namespace tamboro::test
