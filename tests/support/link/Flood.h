#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <thread>
#include <vector>

// Floods a loopback port with malformed datagrams: random lengths 0..2000, random bytes.
// A plain socket of its own (no Qt object), so that it may send from a thread of its own
// while the thread under test runs its event loop. Bounded: `count` datagrams, a short
// pause every few dozen so that the receiver reads most of them instead of the kernel
// dropping them; loopback only.
namespace tavo::test {

class LoopbackFlooder {
public:
    static constexpr size_t kMaxLength = 2000;
    static constexpr int kBurst = 64;
    static constexpr auto kPause = std::chrono::microseconds(500);

    // Binds 127.0.0.1 on a free port (a device that sends from its command port is
    // played by giving this port as the device port).
    LoopbackFlooder() {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local = address(0);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        socklen_t length = sizeof local;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length);
        m_port = ntohs(local.sin_port);
    }
    ~LoopbackFlooder() { ::close(m_fd); }
    LoopbackFlooder(const LoopbackFlooder&) = delete;
    LoopbackFlooder& operator=(const LoopbackFlooder&) = delete;

    uint16_t port() const { return m_port; }

    // One datagram to port on a loopback address (127.0.0.1 unless told).
    bool send(uint16_t port, const std::vector<uint8_t>& bytes, uint32_t host = INADDR_LOOPBACK) {
        const sockaddr_in to = address(port, host);
        return ::sendto(m_fd, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) >= 0;
    }

    // `count` random datagrams to the port that `target` holds at each send (0: skipped,
    // the socket under test is being reopened). `shape` may change each datagram before
    // it leaves. Returns how many the stack took.
    int flood(const std::atomic<uint16_t>& target, int count, unsigned seed,
              const std::function<void(std::vector<uint8_t>&, int)>& shape = {}, uint32_t host = INADDR_LOOPBACK) {
        if ((host >> 24) != 127) return 0;  // loopback only
        std::mt19937 random(seed);
        std::uniform_int_distribution<size_t> length(0, kMaxLength);
        std::uniform_int_distribution<int> byte(0, 255);
        std::vector<uint8_t> datagram;
        int sent = 0;
        for (int i = 0; i < count; ++i) {
            datagram.resize(length(random));
            for (uint8_t& b : datagram) b = static_cast<uint8_t>(byte(random));
            if (shape) shape(datagram, i);
            const uint16_t port = target.load();
            if (port != 0 && send(port, datagram, host)) ++sent;
            if (i % kBurst == kBurst - 1) std::this_thread::sleep_for(kPause);
        }
        return sent;
    }

private:
    static sockaddr_in address(uint16_t port, uint32_t host = INADDR_LOOPBACK) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl((host >> 24) == 127 ? host : INADDR_LOOPBACK);
        return a;
    }

    int m_fd = -1;
    uint16_t m_port = 0;
};

// The longest time between two ticks of a fast timer on the thread that runs it: how
// long that thread's event loop was held up at most.
class StallMeter {
public:
    std::chrono::milliseconds longest() const { return m_longest; }
    void tick() {
        const auto now = std::chrono::steady_clock::now();
        if (m_started) m_longest = std::max(m_longest, std::chrono::duration_cast<std::chrono::milliseconds>(now - m_last));
        m_last = now;
        m_started = true;
    }

private:
    std::chrono::steady_clock::time_point m_last;
    std::chrono::milliseconds m_longest{0};
    bool m_started = false;
};

}  // namespace tavo::test
