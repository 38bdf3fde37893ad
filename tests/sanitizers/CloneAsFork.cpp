// Linked into the test programs of the ThreadSanitizer build only.
//
// QProcess starts its child with clone(CLONE_VM | CLONE_VFORK): the child runs on the parent's
// memory until it execs. ThreadSanitizer's clone interceptor does its after-fork bookkeeping
// in that child, which with shared memory rewrites the parent's own thread state: from then
// on the tool loses the parent thread's mutex locks and reports accesses that hold a lock as
// races. Qt gives no way to ask for a plain fork, so this definition, which the dynamic linker
// prefers to the interceptor, drops the two flags: the child gets a copy of the memory, as
// with fork(), and the interceptor's bookkeeping happens in that copy. The child only execs
// or reports its failure through a pipe, so it behaves as before.
#include <dlfcn.h>
#include <errno.h>
#include <sched.h>
#include <stdarg.h>
#include <sys/types.h>

namespace {

using CloneFunction = int (*)(int (*)(void*), void*, int, void*, ...);

CloneFunction NextClone() {
    static const auto next = reinterpret_cast<CloneFunction>(dlsym(RTLD_NEXT, "clone"));
    return next;
}

} // namespace

extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) {
    va_list rest;
    va_start(rest, arg);
    pid_t* parentTid = va_arg(rest, pid_t*);
    void* tls = va_arg(rest, void*);
    pid_t* childTid = va_arg(rest, pid_t*);
    va_end(rest);

    const CloneFunction next = NextClone();
    if (next == nullptr) {
        errno = ENOSYS;
        return -1;
    }
    // Threads share memory by design and keep their flags; so does anything asking for its
    // own thread-local storage.
    if ((flags & CLONE_VM) != 0 && (flags & (CLONE_THREAD | CLONE_SETTLS)) == 0) {
        flags &= ~(CLONE_VM | CLONE_VFORK);
    }
    return next(fn, stack, flags, arg, parentTid, tls, childTid);
}
