// bus_flood: a session-bus client that sends the player COUNT calls of one MPRIS
// method at once, without waiting between them, as a misbehaving client might.
// Driven by tests/e2e/remote_control.sh.
//
//   bus_flood COUNT [METHOD]   (METHOD of org.mpris.MediaPlayer2.Player, default Next)
//
// Prints "sent COUNT" once every call is on its way, then "answered N of COUNT in
// S s, E errors" when all have replied (errors included) or after 120 s. Exit 0
// when every call was answered without an error, 1 otherwise, 2 for a bad
// command line.
#include <sdbus-c++/sdbus-c++.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/product.h"

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 0;
    const std::string method = argc > 2 ? argv[2] : "Next";
    if (count <= 0) {
        std::fprintf(stderr, "usage: bus_flood COUNT [METHOD]\n");
        return 2;
    }
    constexpr auto GIVE_UP = std::chrono::seconds(120);
    std::atomic<int> answered = 0, errors = 0;
    const auto start = std::chrono::steady_clock::now();
    try {
        // The proxy serves its connection on a thread of its own, which runs the
        // replies' handlers.
        auto proxy =
            sdbus::createProxy(sdbus::createSessionBusConnection(), product::BUS_NAME, "/org/mpris/MediaPlayer2");
        for (int i = 0; i < count; i++)
            proxy->callMethodAsync(method)
                .onInterface("org.mpris.MediaPlayer2.Player")
                .withTimeout(GIVE_UP)
                .uponReplyInvoke([&](const sdbus::Error* error) {
                    errors += error != nullptr;
                    answered++;
                });
        std::printf("sent %d\n", count);
        std::fflush(stdout);
        while (answered < count && std::chrono::steady_clock::now() - start < GIVE_UP)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } catch (const sdbus::Error& error) {
        std::fprintf(stderr, "bus_flood: %s\n", error.getMessage().c_str());
        return 1;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("answered %d of %d in %.1f s, %d errors\n", answered.load(), count, took.count(), errors.load());
    return answered == count && errors == 0 ? 0 : 1;
}
