// A thread beside the host's own, for work that only reads (the firm's
// structure check, the check of a file while it is written).  A thread of the
// system's own: the C++ library of the Windows build has none.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

class BesideThread {
public:
    // Work runs on the thread with arg; it must not throw.
    using Work = void (*)(void* arg) noexcept;

    BesideThread() = default;
    ~BesideThread() { Join(); }
    BesideThread(const BesideThread&) = delete;
    BesideThread& operator=(const BesideThread&) = delete;

    // False when the system has no thread to give (the work is then the
    // caller's to do or to forgo).
    bool Start(Work work, void* arg);
    bool Started() const { return started_; }
    // Waits for the work to end; nothing when it never started.
    void Join();

private:
#ifdef _WIN32
    static DWORD WINAPI Run(void* self);
    HANDLE handle_ = nullptr;
#else
    static void* Run(void* self);
    pthread_t thread_{};
#endif
    Work work_ = nullptr;
    void* arg_ = nullptr;
    bool started_ = false;
};

// A pause of about a millisecond: the wait of a thread that looks again
// for something that has not happened yet.
void PauseBriefly();
