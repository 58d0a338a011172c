// This file contains the thread beside the host's own, over the system's
// threads (POSIX or Windows).
#include "host/common/beside_thread.h"

#ifndef _WIN32
#include <time.h>
#endif

bool BesideThread::Start(Work work, void* arg)
{
    if (started_)
        return false;
    work_ = work;
    arg_ = arg;
#ifdef _WIN32
    handle_ = CreateThread(nullptr, 0, &Run, this, 0, nullptr);
    started_ = handle_ != nullptr;
#else
    started_ = pthread_create(&thread_, nullptr, &Run, this) == 0;
#endif
    return started_;
}

void BesideThread::Join()
{
    if (!started_)
        return;
#ifdef _WIN32
    WaitForSingleObject(handle_, INFINITE);
    CloseHandle(handle_);
    handle_ = nullptr;
#else
    pthread_join(thread_, nullptr);
#endif
    started_ = false;
}

#ifdef _WIN32
DWORD WINAPI BesideThread::Run(void* self)
{
    const BesideThread* thread = static_cast<const BesideThread*>(self);
    thread->work_(thread->arg_);
    return 0;
}

void PauseBriefly() { Sleep(1); }
#else
void* BesideThread::Run(void* self)
{
    const BesideThread* thread = static_cast<const BesideThread*>(self);
    thread->work_(thread->arg_);
    return nullptr;
}

void PauseBriefly()
{
    const timespec pause{0, 1000 * 1000};
    nanosleep(&pause, nullptr);
}
#endif
