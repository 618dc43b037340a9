#pragma once

#include <QLockFile>
#include <QString>

#include <optional>

namespace kalvora {

// One running copy of the program per data folder: the lock file kalvora.lock in the folder. Only a
// lock held by a live process means another copy runs; a lock that cannot be written (a full disk, a
// folder without write permission) is a problem of its own, and a lock left by a process that is gone
// is taken over.
class InstanceLock final {
public:
    enum class State { Taken, HeldByAnother, Failed };

    // A test plays a disk that refuses the lock: what QLockFile would report, and errno with it.
    struct Fault {
        QLockFile::LockError error;
        int errorNumber;
    };

    explicit InstanceLock(const QString& dataFolder, std::optional<Fault> fault = std::nullopt);
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State take();
    State state() const { return m_state; }
    // Failed: why, in Turkish (disk full, no permission, ...).
    const QString& cause() const { return m_cause; }
    const QString& folder() const { return m_folder; }

    static QString lockFileName() { return QStringLiteral("kalvora.lock"); }

private:
    State judge(QLockFile::LockError error, int errorNumber);

    QString m_folder;
    QLockFile m_lock;
    std::optional<Fault> m_fault;
    State m_state = State::Failed;
    QString m_cause;
};

} // namespace kalvora
