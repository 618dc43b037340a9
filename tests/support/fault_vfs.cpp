#include "support/fault_vfs.h"

#include <atomic>
#include <cstring>
#include <string>

#include <sqlite3.h>

namespace kalvora::test {

namespace {

constexpr const char* vfsName = "kalvora-fault";

struct State {
    std::atomic<int> counts[FaultVfs::allOps.size()] = {};
    std::atomic<int> armedOp{-1};
    std::atomic<int> armedAt{0}; // the count at which the fault fires
    std::atomic<bool> persistent{false};
    std::atomic<int> code{0};
    std::atomic<bool> fired{false};
    std::atomic<bool> readOnly{false};
};

State& state()
{
    static State s;
    return s;
}

// The one read-only file's name ("" for the whole folder); set only while nothing is open.
std::string& readOnlyFile()
{
    static std::string name;
    return name;
}

bool readOnlyPath(const char* path)
{
    if (!state().readOnly.load())
        return false;
    const std::string& only = readOnlyFile();
    if (only.empty())
        return true;
    std::string p = path ? path : "";
    for (const char* suffix : {"-journal", "-wal"})
        if (p.size() > std::strlen(suffix) &&
            p.compare(p.size() - std::strlen(suffix), std::string::npos, suffix) == 0)
            p.resize(p.size() - std::strlen(suffix));
    return p.size() > only.size() && p.compare(p.size() - only.size(), std::string::npos, only) == 0 &&
           p[p.size() - only.size() - 1] == '/';
}

sqlite3_vfs* realVfs = nullptr;
sqlite3_vfs faultVfs;

int defaultCode(FaultVfs::Op op)
{
    switch (op) {
    case FaultVfs::Op::Read:
        return SQLITE_IOERR_READ;
    case FaultVfs::Op::Write:
        return SQLITE_IOERR_WRITE;
    case FaultVfs::Op::Sync:
        return SQLITE_IOERR_FSYNC;
    case FaultVfs::Op::Lock:
        return SQLITE_IOERR_LOCK;
    case FaultVfs::Op::Truncate:
        return SQLITE_IOERR_TRUNCATE;
    case FaultVfs::Op::Delete:
        return SQLITE_IOERR_DELETE;
    case FaultVfs::Op::Open:
        return SQLITE_CANTOPEN;
    }
    return SQLITE_IOERR;
}

// Counts the call; the error code to return when this call is to fail, else SQLITE_OK.
int fault(FaultVfs::Op op)
{
    State& s = state();
    const int index = static_cast<int>(op);
    const int n = ++s.counts[index];
    if (s.armedOp.load() != index)
        return SQLITE_OK;
    const int at = s.armedAt.load();
    if (n == at || (s.persistent.load() && n > at)) {
        s.fired = true;
        const int code = s.code.load();
        return code != 0 ? code : defaultCode(op);
    }
    return SQLITE_OK;
}

// Our file: the methods pointer SQLite sees, then the real file of the unix VFS.
struct FaultFile {
    sqlite3_file base;
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

FaultFile* self(sqlite3_file* f)
{
    return reinterpret_cast<FaultFile*>(f);
}

const sqlite3_io_methods* realMethods(sqlite3_file* f)
{
    return self(f)->real()->pMethods;
}

int xClose(sqlite3_file* f)
{
    return realMethods(f)->xClose(self(f)->real());
}

int xRead(sqlite3_file* f, void* buf, int amount, sqlite3_int64 offset)
{
    if (const int rc = fault(FaultVfs::Op::Read))
        return rc;
    return realMethods(f)->xRead(self(f)->real(), buf, amount, offset);
}

int xWrite(sqlite3_file* f, const void* buf, int amount, sqlite3_int64 offset)
{
    if (const int rc = fault(FaultVfs::Op::Write)) {
        // A disk that fails in the middle of a write leaves part of it behind.
        if (amount > 1)
            realMethods(f)->xWrite(self(f)->real(), buf, amount / 2, offset);
        return rc;
    }
    return realMethods(f)->xWrite(self(f)->real(), buf, amount, offset);
}

int xTruncate(sqlite3_file* f, sqlite3_int64 size)
{
    if (const int rc = fault(FaultVfs::Op::Truncate))
        return rc;
    return realMethods(f)->xTruncate(self(f)->real(), size);
}

int xSync(sqlite3_file* f, int flags)
{
    if (const int rc = fault(FaultVfs::Op::Sync))
        return rc;
    return realMethods(f)->xSync(self(f)->real(), flags);
}

int xFileSize(sqlite3_file* f, sqlite3_int64* size)
{
    return realMethods(f)->xFileSize(self(f)->real(), size);
}

int xLock(sqlite3_file* f, int level)
{
    if (const int rc = fault(FaultVfs::Op::Lock))
        return rc;
    return realMethods(f)->xLock(self(f)->real(), level);
}

int xUnlock(sqlite3_file* f, int level)
{
    return realMethods(f)->xUnlock(self(f)->real(), level);
}

int xCheckReservedLock(sqlite3_file* f, int* out)
{
    return realMethods(f)->xCheckReservedLock(self(f)->real(), out);
}

int xFileControl(sqlite3_file* f, int op, void* arg)
{
    return realMethods(f)->xFileControl(self(f)->real(), op, arg);
}

int xSectorSize(sqlite3_file* f)
{
    return realMethods(f)->xSectorSize(self(f)->real());
}

int xDeviceCharacteristics(sqlite3_file* f)
{
    return realMethods(f)->xDeviceCharacteristics(self(f)->real());
}

int xShmMap(sqlite3_file* f, int page, int size, int extend, void volatile** out)
{
    return realMethods(f)->xShmMap(self(f)->real(), page, size, extend, out);
}

int xShmLock(sqlite3_file* f, int offset, int n, int flags)
{
    return realMethods(f)->xShmLock(self(f)->real(), offset, n, flags);
}

void xShmBarrier(sqlite3_file* f)
{
    realMethods(f)->xShmBarrier(self(f)->real());
}

int xShmUnmap(sqlite3_file* f, int deleteFlag)
{
    return realMethods(f)->xShmUnmap(self(f)->real(), deleteFlag);
}

// Memory-mapped pages would bypass xRead, so every page is read through it.
int xFetch(sqlite3_file*, sqlite3_int64, int, void** out)
{
    *out = nullptr;
    return SQLITE_OK;
}

int xUnfetch(sqlite3_file*, sqlite3_int64, void*)
{
    return SQLITE_OK;
}

const sqlite3_io_methods faultMethods = {
    3,
    xClose,
    xRead,
    xWrite,
    xTruncate,
    xSync,
    xFileSize,
    xLock,
    xUnlock,
    xCheckReservedLock,
    xFileControl,
    xSectorSize,
    xDeviceCharacteristics,
    xShmMap,
    xShmLock,
    xShmBarrier,
    xShmUnmap,
    xFetch,
    xUnfetch,
};

bool isFolderFile(int flags)
{
    return flags &
           (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_MASTER_JOURNAL | SQLITE_OPEN_WAL);
}

int vfsOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    FaultFile* f = self(file);
    f->base.pMethods = nullptr;
    if (name && isFolderFile(flags)) {
        if (const int rc = fault(FaultVfs::Op::Open))
            return rc;
        if (readOnlyPath(name)) {
            if (!(flags & SQLITE_OPEN_MAIN_DB))
                return SQLITE_CANTOPEN; // no journal can be created in the folder
            flags = (flags & ~(SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) | SQLITE_OPEN_READONLY;
        }
    }
    const int rc = realVfs->xOpen(realVfs, name, f->real(), flags, outFlags);
    if (f->real()->pMethods)
        f->base.pMethods = &faultMethods;
    return rc;
}

int vfsDelete(sqlite3_vfs*, const char* name, int syncDir)
{
    if (const int rc = fault(FaultVfs::Op::Delete))
        return rc;
    return realVfs->xDelete(realVfs, name, syncDir);
}

int vfsAccess(sqlite3_vfs*, const char* name, int flags, int* out)
{
    if (flags == SQLITE_ACCESS_READWRITE && readOnlyPath(name)) {
        *out = 0;
        return SQLITE_OK;
    }
    return realVfs->xAccess(realVfs, name, flags, out);
}

int vfsFullPathname(sqlite3_vfs*, const char* name, int size, char* out)
{
    return realVfs->xFullPathname(realVfs, name, size, out);
}

void* vfsDlOpen(sqlite3_vfs*, const char* name)
{
    return realVfs->xDlOpen(realVfs, name);
}

void vfsDlError(sqlite3_vfs*, int size, char* out)
{
    realVfs->xDlError(realVfs, size, out);
}

void (*vfsDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void)
{
    return realVfs->xDlSym(realVfs, handle, symbol);
}

void vfsDlClose(sqlite3_vfs*, void* handle)
{
    realVfs->xDlClose(realVfs, handle);
}

int vfsRandomness(sqlite3_vfs*, int size, char* out)
{
    return realVfs->xRandomness(realVfs, size, out);
}

int vfsSleep(sqlite3_vfs*, int micro)
{
    return realVfs->xSleep(realVfs, micro);
}

int vfsCurrentTime(sqlite3_vfs*, double* out)
{
    return realVfs->xCurrentTime(realVfs, out);
}

int vfsGetLastError(sqlite3_vfs*, int size, char* out)
{
    return realVfs->xGetLastError ? realVfs->xGetLastError(realVfs, size, out) : 0;
}

int vfsCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out)
{
    return realVfs->xCurrentTimeInt64(realVfs, out);
}

void registerOnce()
{
    static const bool done = [] {
        sqlite3_initialize();
        realVfs = sqlite3_vfs_find("unix");
        if (!realVfs)
            qFatal("the unix VFS is missing");
        std::memset(&faultVfs, 0, sizeof faultVfs);
        faultVfs.iVersion = 2;
        faultVfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + realVfs->szOsFile;
        faultVfs.mxPathname = realVfs->mxPathname;
        faultVfs.zName = vfsName;
        faultVfs.xOpen = vfsOpen;
        faultVfs.xDelete = vfsDelete;
        faultVfs.xAccess = vfsAccess;
        faultVfs.xFullPathname = vfsFullPathname;
        faultVfs.xDlOpen = vfsDlOpen;
        faultVfs.xDlError = vfsDlError;
        faultVfs.xDlSym = vfsDlSym;
        faultVfs.xDlClose = vfsDlClose;
        faultVfs.xRandomness = vfsRandomness;
        faultVfs.xSleep = vfsSleep;
        faultVfs.xCurrentTime = vfsCurrentTime;
        faultVfs.xGetLastError = vfsGetLastError;
        faultVfs.xCurrentTimeInt64 = vfsCurrentTimeInt64;
        if (sqlite3_vfs_register(&faultVfs, 0) != SQLITE_OK)
            qFatal("the fault VFS could not be registered");
        return true;
    }();
    (void)done;
}

} // namespace

const char* FaultVfs::opName(Op op)
{
    switch (op) {
    case Op::Read:
        return "read";
    case Op::Write:
        return "write";
    case Op::Sync:
        return "sync";
    case Op::Lock:
        return "lock";
    case Op::Truncate:
        return "truncate";
    case Op::Delete:
        return "delete";
    case Op::Open:
        return "open";
    }
    return "?";
}

QString FaultVfs::name()
{
    registerOnce();
    return QString::fromLatin1(vfsName);
}

void FaultVfs::arm(Op op, int n, bool persistent, int code)
{
    registerOnce();
    State& s = state();
    s.armedOp = -1;
    s.fired = false;
    s.persistent = persistent;
    s.code = code;
    s.armedAt = s.counts[static_cast<int>(op)].load() + n;
    s.armedOp = static_cast<int>(op);
}

void FaultVfs::disarm()
{
    state().armedOp = -1;
}

bool FaultVfs::fired()
{
    return state().fired.load();
}

int FaultVfs::count(Op op)
{
    return state().counts[static_cast<int>(op)].load();
}

void FaultVfs::resetCounts()
{
    for (auto& c : state().counts)
        c = 0;
    disarm();
}

void FaultVfs::setReadOnly(bool on, const QString& onlyFile)
{
    registerOnce();
    readOnlyFile() = onlyFile.toStdString();
    state().readOnly = on;
}

} // namespace kalvora::test
