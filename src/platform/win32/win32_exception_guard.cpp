// The exception guard around calls into code Kestrane cannot vouch for.
//
// i686: frame-based structured exception handling, which every Win32 system has (vectored
// handlers came with Windows XP). RunGuarded links a registration record that lives in its
// own frame onto the thread's exception chain (fs:[0]) and calls. When the callee raises an
// exception that nothing nearer handles, the system's dispatcher walks the chain down to our
// record and calls CatchInGuard, still on the faulting stack. It notes the code and address,
// has RtlUnwind call every frame above ours for unwinding (the callee's own __finally blocks
// and destructors run, its records are unlinked) and jumps back into RunGuarded, whose frame
// is intact below; RunGuarded unlinks its record and returns the report. GCC has no __try, so
// the jump back is __builtin_setjmp / __builtin_longjmp: they restore only the frame and stack
// pointers, the record is volatile so that nothing of it lives in a register across the jump,
// and no C++ object with a destructor lives in the frames the jump abandons.
//
// x86-64 keeps no chain: a function's handler is found through the image's unwind tables. The
// guarded call sits in a range of its own that names the system's __C_specific_handler with our
// filter (as the compiler emits for __try / __except); the filter notes the exception and claims
// it, and the system unwinds the callee's frames and resumes at the range's end.
//
// Only errors are claimed (the two top bits of the code set): a warning or an informational
// code is a notice the code that raised it expects to come back from (OutputDebugString raises
// one), and a guard page's violation (a warning too) belongs to whoever armed the page, most
// often the system growing a thread's stack. Those pass on as if no guard were there.
//
// A guard claims what is raised below it as long as Kestrane has not been entered again in
// between: every way back into Kestrane (its window procedure, its hooks, its boxes' loops) runs
// behind a guard of its own, which is nearer and decides first, so that no guard ever jumps over
// Kestrane's own frames.
//
// A stack overflow leaves the handlers about a page of stack: too little to search unwind
// tables and unwind. So on i686 CatchInGuard skips the unwinding for an overflow, and on x86-64
// a vectored handler, called before any search, takes an overflow inside a guarded call
// straight back. The overflow has used up the stack's guard page; once the guarded call is
// left, the lowest usable page is armed again, so that a second overflow is caught as well.
#include "platform/win32/win32_exception_guard.h"

#include <windows.h>

namespace kestrane::win32 {

namespace {

constexpr std::uintptr_t kPageSize = 4096;  // on both x86 and x86-64

// Arms the lowest usable page of this thread's stack as its guard page again, unless it is one
// still or lies too near the frames in use.
void RestoreStackGuardPage() {
  MEMORY_BASIC_INFORMATION here{};
  if (VirtualQuery(&here, &here, sizeof here) == 0) return;
  auto *inUse =
      reinterpret_cast<char *>(reinterpret_cast<std::uintptr_t>(&here) & ~(kPageSize - 1));
  auto *page = static_cast<char *>(here.AllocationBase);
  MEMORY_BASIC_INFORMATION region{};
  // Below the usable stack: reserved pages, and under Wine a committed page without access.
  while (page < inUse && VirtualQuery(page, &region, sizeof region) != 0 &&
         (region.State != MEM_COMMIT || (region.Protect & PAGE_NOACCESS) != 0)) {
    page += region.RegionSize;
  }
  if (page + kPageSize >= inUse || (region.Protect & PAGE_GUARD) != 0) return;
  DWORD previous = 0;
  VirtualProtect(page, kPageSize, PAGE_READWRITE | PAGE_GUARD, &previous);
}

bool Claims(DWORD code) { return (code & 0xC0000000) == 0xC0000000; }

Fault Caught(DWORD code, void *address) {
  if (code == STATUS_STACK_OVERFLOW) RestoreStackGuardPage();
  Fault fault;
  fault.raised = true;
  fault.code = code;
  fault.address = reinterpret_cast<std::uintptr_t>(address);
  return fault;
}

#if defined(__i386__)

// The two fields the system walks come first: the next record of the chain and our handler.
struct GuardRecord {
  GuardRecord *previous;
  EXCEPTION_DISPOSITION(__cdecl *handler)(EXCEPTION_RECORD *, void *, CONTEXT *, void *);
  void *resume[5];  // __builtin_setjmp's buffer: RunGuarded's frame, resume address and stack
  DWORD code;
  void *address;
};

GuardRecord *ChainHead() {
  GuardRecord *head;
  asm volatile("movl %%fs:0, %0" : "=r"(head));
  return head;
}

void SetChainHead(GuardRecord *head) { asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }

EXCEPTION_DISPOSITION __cdecl CatchInGuard(EXCEPTION_RECORD *record, void *frame, CONTEXT *,
                                           void *) {
  // Called again while an exception handled further down unwinds through us: let it pass.
  if ((record->ExceptionFlags & EXCEPTION_UNWIND) != 0 || !Claims(record->ExceptionCode)) {
    return ExceptionContinueSearch;
  }
  // RtlUnwind need not keep the registers a compiler expects kept: nothing of ours stays in one.
  GuardRecord *volatile guard = static_cast<GuardRecord *>(frame);
  guard->code = record->ExceptionCode;
  guard->address = record->ExceptionAddress;
  // On an overflowed stack there is no room to run the abandoned frames' unwind handlers;
  // RunGuarded unlinks their records all the same.
  if (record->ExceptionCode != STATUS_STACK_OVERFLOW) RtlUnwind(frame, nullptr, record, nullptr);
  __builtin_longjmp(guard->resume, 1);
}

}  // namespace

Fault RunGuarded(void (*call)(void *context), void *context) {
  volatile GuardRecord guard;
  guard.previous = ChainHead();
  guard.handler = CatchInGuard;
  guard.code = 0;
  guard.address = nullptr;
  auto *record = const_cast<GuardRecord *>(&guard);
  if (__builtin_setjmp(record->resume) != 0) {
    // Back from CatchInGuard: the chain holds our record or, after an overflow, the callee's.
    SetChainHead(guard.previous);
    return Caught(guard.code, guard.address);
  }
  SetChainHead(record);
  call(context);
  SetChainHead(guard.previous);
  return Fault{};
}

#elif defined(__x86_64__)

struct GuardState {
  bool raised;
  DWORD code;
  void *address;
  GuardState *outer;
  void *resume[5];  // for the overflow's way back, as on i686
};

thread_local GuardState *t_guard = nullptr;  // the innermost guard of this thread

// Installed for the guarded call only: a handler left behind would outlive the library.
class OverflowCatcher {
 public:
  explicit OverflowCatcher(PVECTORED_EXCEPTION_HANDLER catcher)
      : handle_(AddVectoredExceptionHandler(1, catcher)) {}
  ~OverflowCatcher() {
    if (handle_ != nullptr) RemoveVectoredExceptionHandler(handle_);
  }
  OverflowCatcher(const OverflowCatcher &) = delete;
  OverflowCatcher &operator=(const OverflowCatcher &) = delete;

 private:
  PVOID handle_;
};

LONG CALLBACK CatchOverflow(EXCEPTION_POINTERS *pointers) {
  GuardState *volatile guard = t_guard;
  if (guard == nullptr || pointers->ExceptionRecord->ExceptionCode != STATUS_STACK_OVERFLOW) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  guard->raised = true;
  guard->code = STATUS_STACK_OVERFLOW;
  guard->address = pointers->ExceptionRecord->ExceptionAddress;
  __builtin_longjmp(guard->resume, 1);
}

}  // namespace

// Named in the scope table below, so it keeps a plain name.
extern "C" LONG KestraneGuardFilter(EXCEPTION_POINTERS *pointers, void *) {
  if (!Claims(pointers->ExceptionRecord->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
  GuardState *guard = t_guard;
  guard->raised = true;
  guard->code = pointers->ExceptionRecord->ExceptionCode;
  guard->address = pointers->ExceptionRecord->ExceptionAddress;
  return EXCEPTION_EXECUTE_HANDLER;
}

namespace {

// The call lies between the two labels; the scope table entry (begin, end, filter, resume at
// end) goes to this function's unwind information. The section is named so that the assembler
// can come back to it after the table, whatever section the compiler chose otherwise.
__attribute__((noinline, section(".text$kestrane_guard"))) void CallInGuardedRange(
    void (*call)(void *), void *context) {
  asm volatile(
      ".Lkestrane_guard_begin:\n\t"
      ".seh_handler __C_specific_handler, @except\n\t"
      ".seh_handlerdata\n\t"
      ".long 1\n\t"
      ".rva .Lkestrane_guard_begin, .Lkestrane_guard_end, KestraneGuardFilter, "
      ".Lkestrane_guard_end\n\t"
      ".section .text$kestrane_guard,\"x\"\n" ::
          : "memory");
  call(context);
  asm volatile("nop\n.Lkestrane_guard_end:\n\tnop\n" ::: "memory");
}

}  // namespace

Fault RunGuarded(void (*call)(void *context), void *context) {
  OverflowCatcher catcher(CatchOverflow);
  volatile GuardState state;
  state.raised = false;
  state.outer = t_guard;
  auto *guard = const_cast<GuardState *>(&state);
  t_guard = guard;
  if (__builtin_setjmp(guard->resume) == 0) CallInGuardedRange(call, context);
  t_guard = state.outer;
  if (!state.raised) return Fault{};
  return Caught(state.code, state.address);
}

#else
#error "no exception guard for this processor"
#endif

}  // namespace kestrane::win32
