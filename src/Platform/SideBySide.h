#pragma once

#include <QtGlobal>

#include <algorithm>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

// Work on megabytes of fresh memory (a huge stored record read, its text
// made) split into a few pieces done side by side: most of its time goes to
// the system handing out fresh pages, which it does for several threads at
// once.
namespace SideBySide {

inline constexpr int maxPieces = 8;

// How many pieces of at least `pieceBytes` `size` bytes make: at least 1, at
// most maxPieces or the number of hardware threads.
inline int pieces(qsizetype size, qsizetype pieceBytes = qsizetype(4) << 20)
{
    static const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, unsigned(maxPieces)));
    return int(std::clamp<qsizetype>(size / pieceBytes, 1, threads));
}

// Runs work(0) here and work(1) ... work(count - 1) on threads of their own
// (here too, when no thread can be started), and returns once all are done.
// The work must not throw.
template <typename Work> void run(int count, Work&& work)
{
    std::vector<std::thread> threads;
    threads.reserve(size_t(count));
    int started = 1;
    for (; started < count; ++started) {
        try {
            threads.emplace_back(std::ref(work), started);
        } catch (const std::system_error&) {
            break;
        }
    }
    work(0);
    for (int i = started; i < count; ++i)
        work(i);
    for (std::thread& thread : threads)
        thread.join();
}

} // namespace SideBySide
