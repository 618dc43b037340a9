#include "data/mapped_reads.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace kalvora {

namespace {

using OpenCall = int (*)(const char*, int, int);
using CloseCall = int (*)(int);
using PreadCall = ssize_t (*)(int, void*, size_t, off_t);
using TruncateCall = int (*)(int, off_t);

OpenCall g_open = nullptr;
CloseCall g_close = nullptr;
PreadCall g_pread = nullptr;
TruncateCall g_truncate = nullptr;

// A few windows per file: a list reads its table front to back and its index elsewhere; what stays
// mapped (and counts as the program's memory) is at most kWindows * kWindowBytes per open file.
constexpr off_t kWindowBytes = off_t(4) << 20;
constexpr int kWindows = 8;
constexpr int kMaxFd = 4096;

struct Window {
    const char* base = nullptr;
    off_t start = 0;
    off_t length = 0;
    unsigned long long used = 0;
};

// One per open database file. Only the connection that owns the descriptor reads through it, and SQLite
// runs one call at a time on a connection, so a file's windows need no lock of their own.
struct MappedFile {
    std::array<Window, kWindows> windows;
    unsigned long long clock = 0;
    off_t lastPlainRead = -1;
    bool plain = false; // a read through a window failed: plain reads from now on
};

std::array<std::atomic<MappedFile*>, kMaxFd> g_files{};

void unmapAll(MappedFile& f)
{
    for (Window& w : f.windows) {
        if (w.base)
            ::munmap(const_cast<char*>(w.base), size_t(w.length));
        w = Window();
    }
}

bool isJournal(std::string_view path)
{
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    for (std::string_view end : {"-journal", "-wal", "-shm"})
        if (name.size() > end.size() && name.substr(name.size() - end.size()) == end)
            return true;
    return name.find("-mj") != std::string_view::npos;
}

MappedFile* fileOf(int fd)
{
    return fd >= 0 && fd < kMaxFd ? g_files[size_t(fd)].load(std::memory_order_acquire) : nullptr;
}

const Window* windowFor(MappedFile& f, int fd, off_t offset, size_t count)
{
    const off_t start = offset - offset % kWindowBytes;
    const off_t end = offset + off_t(count);
    if (end > start + kWindowBytes)
        return nullptr; // across two windows: never a page
    Window* slot = nullptr;
    for (Window& w : f.windows) {
        if (w.base && w.start == start) {
            if (end <= w.start + w.length) {
                w.used = ++f.clock;
                return &w;
            }
            slot = &w; // the file grew past this window
            break;
        }
    }
    // Only a reading that goes on near where the last one outside every window was makes a window:
    // pages picked here and there (a card's rows) are cheaper read one by one than mapped each.
    const off_t previous = std::exchange(f.lastPlainRead, offset);
    if (!slot && (previous < 0 || offset < previous - kWindowBytes || offset > previous + kWindowBytes))
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || end > st.st_size)
        return nullptr; // past the end: the plain read says what is there
    if (!slot)
        slot = &*std::min_element(f.windows.begin(), f.windows.end(),
                                  [](const Window& a, const Window& b) { return a.used < b.used; });
    if (slot->base)
        ::munmap(const_cast<char*>(slot->base), size_t(slot->length));
    *slot = Window();
    const off_t length = std::min(kWindowBytes, st.st_size - start);
    void* p = ::mmap(nullptr, size_t(length), PROT_READ, MAP_SHARED, fd, start);
    if (p == MAP_FAILED)
        return nullptr;
    *slot = Window{static_cast<const char*>(p), start, length, ++f.clock};
    return slot;
}

thread_local sigjmp_buf* t_reading = nullptr;
struct sigaction g_previousBusError {};

void onBusError(int signal, siginfo_t* info, void* context)
{
    if (sigjmp_buf* reading = t_reading) {
        t_reading = nullptr;
        siglongjmp(*reading, 1);
    }
    // Not a window's: whoever handled it before does, or the default ends the program as it would have.
    if (g_previousBusError.sa_flags & SA_SIGINFO) {
        if (g_previousBusError.sa_sigaction) {
            g_previousBusError.sa_sigaction(signal, info, context);
            return;
        }
    } else if (g_previousBusError.sa_handler != SIG_DFL && g_previousBusError.sa_handler != SIG_IGN) {
        g_previousBusError.sa_handler(signal);
        return;
    }
    ::sigaction(SIGBUS, &g_previousBusError, nullptr);
}

int mappedOpen(const char* path, int flags, int mode)
{
    const int fd = g_open(path, flags, mode);
    if (fd >= 0 && fd < kMaxFd && path && !isJournal(path))
        delete g_files[size_t(fd)].exchange(new MappedFile, std::memory_order_acq_rel);
    return fd;
}

int mappedClose(int fd)
{
    if (fd >= 0 && fd < kMaxFd) {
        if (MappedFile* f = g_files[size_t(fd)].exchange(nullptr, std::memory_order_acq_rel)) {
            unmapAll(*f);
            delete f;
        }
    }
    return g_close(fd);
}

int mappedTruncate(int fd, off_t size)
{
    if (MappedFile* f = fileOf(fd))
        unmapAll(*f);
    return g_truncate(fd, size);
}

// False when the copy hit a bus error: a page of the window is no longer the file's. Kept apart from
// the window search so that nothing of it lives across the jump.
[[gnu::noinline]] bool copyFromWindow(void* to, const char* from, size_t count)
{
    sigjmp_buf reading;
    if (sigsetjmp(reading, 0) != 0)
        return false;
    t_reading = &reading;
    std::atomic_signal_fence(std::memory_order_seq_cst); // the handler sees the mark before the copy
    std::memcpy(to, from, count);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    t_reading = nullptr;
    return true;
}

ssize_t mappedPread(int fd, void* buffer, size_t count, off_t offset)
{
    MappedFile* f = fileOf(fd);
    if (!f || f->plain || offset < 0)
        return g_pread(fd, buffer, count, offset);
    const Window* w = windowFor(*f, fd, offset, count);
    if (!w)
        return g_pread(fd, buffer, count, offset);
    if (copyFromWindow(buffer, w->base + (offset - w->start), count))
        return ssize_t(count);
    // The file shrank under the window or its disk failed.
    f->plain = true;
    unmapAll(*f);
    return g_pread(fd, buffer, count, offset);
}

template <typename Call> bool replace(sqlite3_vfs* vfs, const char* name, Call& original, Call replacement)
{
    original = reinterpret_cast<Call>(vfs->xGetSystemCall(vfs, name));
    return original &&
           vfs->xSetSystemCall(vfs, name, reinterpret_cast<sqlite3_syscall_ptr>(replacement)) == SQLITE_OK;
}

} // namespace

void mapDatabaseReads()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (sqlite3_initialize() != SQLITE_OK)
            return;
        sqlite3_vfs* vfs = sqlite3_vfs_find("unix");
        if (!vfs || vfs->iVersion < 3 || !vfs->xGetSystemCall(vfs, "pread64"))
            return;
        // SA_NODEFER: a read that jumps out of the handler leaves the signal unblocked for the next one.
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        if (::sigaction(SIGBUS, &action, &g_previousBusError) != 0)
            return;
        // Close and truncate first, so that no window outlives its descriptor or its file's end.
        if (replace(vfs, "close", g_close, &mappedClose) &&
            replace(vfs, "ftruncate", g_truncate, &mappedTruncate) &&
            replace(vfs, "open", g_open, &mappedOpen))
            replace(vfs, "pread64", g_pread, &mappedPread);
    });
}

} // namespace kalvora
