// Processor faults (bad memory access, division by zero, misaligned access, stack
// overflow) arrive as POSIX signals; the handler throws a CPUException from the faulting
// instruction, so the code that guards a command catches them like any other failure.
// This relies on the whole engine being built with -fnon-call-exceptions.
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "app/Exceptions.h"
#include "app/FaultTranslator.h"

namespace {

// Big enough for the unwinder and the exception allocation to run on it.
constexpr size_t kAlternateStackSize = 256 * 1024;
// A fault this close to the stack pointer is taken as running off the end of the stack.
constexpr uintptr_t kStackOverflowReach = 64 * 1024;

thread_local bool tAlternateStackInstalled = false;

uintptr_t StackPointer(const void* context) {
    const ucontext_t* uc = static_cast<const ucontext_t*>(context);
#if defined(__x86_64__)
    return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
#elif defined(__i386__)
    return static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_ESP]);
#elif defined(__aarch64__)
    return static_cast<uintptr_t>(uc->uc_mcontext.sp);
#else
    (void)uc;
    return 0;
#endif
}

bool IsStackOverflow(const siginfo_t* info, const void* context) {
    const uintptr_t address = reinterpret_cast<uintptr_t>(info->si_addr);
    const uintptr_t sp = StackPointer(context);
    if (sp == 0 || address == 0) return false;
    const uintptr_t distance = address > sp ? address - sp : sp - address;
    return distance < kStackOverflowReach;
}

void UnblockSignal(int signal) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void FaultHandler(int signal, siginfo_t* info, void* context) {
    // A signal that some process sent is no fault of ours: let it do what it always does.
    if (info == nullptr || info->si_code <= 0) {
        struct sigaction action = {};
        action.sa_handler = SIG_DFL;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
        UnblockSignal(signal);
        raise(signal);
        return;
    }
    // Unwinding leaves the handler without sigreturn, so the next fault must find the
    // signal open again.
    UnblockSignal(signal);
    switch (signal) {
        case SIGSEGV:
            if (IsStackOverflow(info, context)) throw CPUException("Stack overflow");
            throw CPUException("Access violation");
        case SIGBUS:
            if (info->si_code == BUS_ADRALN) throw CPUException("Data misalignment");
            throw CPUException("Access violation");
        case SIGFPE:
            if (info->si_code == FPE_INTDIV) throw CPUException("Int divide by zero");
            if (info->si_code == FPE_FLTDIV) throw CPUException("Float divide by zero");
            throw CPUException("", static_cast<uint32_t>(signal));
        default:
            throw CPUException("", static_cast<uint32_t>(signal));
    }
}

}  // namespace

void InstallFaultStackForThread() {
    if (tAlternateStackInstalled) return;
    void* memory = mmap(nullptr, kAlternateStackSize, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) return;
    stack_t stack = {};
    stack.ss_sp = memory;
    stack.ss_size = kAlternateStackSize;
    stack.ss_flags = 0;
    if (sigaltstack(&stack, nullptr) != 0) {
        munmap(memory, kAlternateStackSize);
        return;
    }
    // The stack stays for the life of the thread; threads are few and long-lived.
    tAlternateStackInstalled = true;
}

void InstallFaultTranslator() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action = {};
        action.sa_sigaction = FaultHandler;
        action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) sigaction(signal, &action, nullptr);
    });
    InstallFaultStackForThread();
}
