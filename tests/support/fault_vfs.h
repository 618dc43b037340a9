#pragma once

#include <QString>

#include <array>

namespace kalvora::test {

// A SQLite VFS registered beside the default "unix" one, passing every call through to it except the
// operations it has been told to fail. Tests open a Store with FaultVfs::name() and arm a fault: the
// n-th read, write, sync, lock, truncate, delete or open from then on returns an I/O error, once or
// (persistent) for every later call of that kind as well, as a failing disk would.
class FaultVfs final {
public:
    enum class Op { Read, Write, Sync, Lock, Truncate, Delete, Open };
    static constexpr std::array<Op, 7> allOps{Op::Read,     Op::Write,  Op::Sync, Op::Lock,
                                              Op::Truncate, Op::Delete, Op::Open};
    static const char* opName(Op op);

    // Registers the VFS on first use; the name to hand to Store or Database::open.
    static QString name();

    // Fails the n-th call of op counted from now (n >= 1). code 0 means the usual I/O error of the
    // operation (SQLITE_IOERR_WRITE for a write...); SQLITE_FULL makes a failing write a full disk.
    // A failing write stores the first half of its bytes before it fails (a torn write).
    static void arm(Op op, int n, bool persistent = false, int code = 0);
    static void disarm();
    // Whether the armed fault has been injected since arm().
    static bool fired();

    // Calls of op seen since the last resetCounts(), faulted or not.
    static int count(Op op);
    static void resetCounts();

    // Emulates a data folder the program may not write to, also when the tests run as root: existing
    // files open read-only, no journal can be created, the access check says "not writable". With a
    // file name, only that file of the folder (and its journal) is read-only.
    static void setReadOnly(bool on, const QString& onlyFile = QString());
};

// Arms a fault for the life of the object.
class ArmedFault final {
public:
    ArmedFault(FaultVfs::Op op, int n, bool persistent = false, int code = 0)
    {
        FaultVfs::arm(op, n, persistent, code);
    }
    ~ArmedFault() { FaultVfs::disarm(); }
    ArmedFault(const ArmedFault&) = delete;
    ArmedFault& operator=(const ArmedFault&) = delete;
};

} // namespace kalvora::test
