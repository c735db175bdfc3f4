// Internal to tessel_dynload: the mutex-guarded table every piece of runtime state lives in.
//
// A holder that leaves a table by an exception (an allocation failure in the middle of an update)
// may have left it half-changed, so the table is then poisoned: the next user prints the table's
// message on standard error and stops the process instead of reading inconsistent state.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>

namespace tessel::internal {

/** Prints message on standard error and stops the process. */
[[noreturn]] inline void die_poisoned(const char* message) noexcept {
    std::fprintf(stderr, "%s\n", message);
    std::fflush(stderr);
    std::abort();
}

/** A mutex that is poisoned when its holder unwinds while holding it. */
class PoisonableMutex {
public:
    /** Locks; stops the process with message when the mutex is poisoned. */
    void lock(const char* message) {
        mutex_.lock();
        if (poisoned_) die_poisoned(message);
    }
    void unlock() noexcept { mutex_.unlock(); }
    /** Marks the mutex poisoned; called only by its holder. */
    void poison() noexcept { poisoned_ = true; }

private:
    std::mutex mutex_;
    bool poisoned_ = false;  // guarded by mutex_
};

/** Holds a PoisonableMutex until unlock() or the end of the scope; leaving the scope by an exception
 *  poisons the mutex. */
class PoisonGuard {
public:
    PoisonGuard(PoisonableMutex& mutex, const char* message) : mutex_(&mutex), exceptions_(std::uncaught_exceptions()) {
        mutex.lock(message);
    }
    PoisonGuard(const PoisonGuard&) = delete;
    PoisonGuard& operator=(const PoisonGuard&) = delete;
    ~PoisonGuard() { unlock(); }

    void unlock() noexcept {
        if (mutex_ == nullptr) return;
        if (std::uncaught_exceptions() > exceptions_) mutex_->poison();
        mutex_->unlock();
        mutex_ = nullptr;
    }

private:
    PoisonableMutex* mutex_;
    int exceptions_;
};

/** A value of type Map behind its own poisonable mutex. Every runtime table is one of these, created
 *  on first use with new and never destroyed, so that code running during process exit still finds
 *  it. */
template <class Map>
class Table {
public:
    /** Access to the map while the lock is held. */
    class Locked {
    public:
        Map& operator*() const noexcept { return table_->map_; }
        Map* operator->() const noexcept { return &table_->map_; }
        /** Releases the lock early; the map must not be touched afterwards. */
        void unlock() noexcept { guard_.unlock(); }

    private:
        friend class Table;
        Locked(Table& table, const char* message) : table_(&table), guard_(table.mutex_, message) {}
        Table* table_;
        PoisonGuard guard_;
    };

    /** message: the fatal error printed when the table is found poisoned. */
    explicit Table(const char* message) : message_(message) {}
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    Locked lock() { return Locked(*this, message_); }
    /** Locks with the message of a particular caller, for operations that name the table their own way. */
    Locked lock(const char* message) { return Locked(*this, message); }

private:
    PoisonableMutex mutex_;
    const char* message_;
    Map map_;
};

}  // namespace tessel::internal
