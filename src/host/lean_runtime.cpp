// Kestrane.dll links the C++ runtime statically and is built without C++ exceptions. A few of
// the runtime's defaults would still bring in far more than the plug-in uses: the verbose
// terminate handler carries the whole symbol demangler, the std::__throw_* helpers build
// exception types (and with them the runtime's unwinder), and a failed library assertion prints
// through the demangler too. Defining them here keeps those archive members out of the link.
//
// Nothing in Kestrane expects the helpers to be reached: they stand for a fault of Kestrane's
// own (an index out of range, memory that ran out where no check was made). They raise a
// structured exception, which the guard of the window procedure, a hook or a worker thread
// catches as it catches any fault below it, so that only that call is abandoned. Termination
// and failed assertions end the process as before, without the text that no one could read in
// a shell's process.
#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

constexpr DWORD kLibraryFailure = 0xE04B4C46;  // 'KLF', an error with the customer bit

[[noreturn]] void Fail() {
  RaiseException(kLibraryFailure, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  std::abort();  // not reached: nothing continues a non-continuable exception
}

}  // namespace

// The runtime's own allocation functions are built with exceptions (the nothrow forms catch
// the throwing form's exception), which would bring the unwinder back. Kestrane asks for memory
// with the nothrow forms wherever it can go without.
void *operator new(std::size_t size) {
  void *memory = std::malloc(size != 0 ? size : 1);
  if (memory == nullptr) Fail();
  return memory;
}
void *operator new[](std::size_t size) { return operator new(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
  return std::malloc(size != 0 ? size : 1);
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
  return std::malloc(size != 0 ? size : 1);
}
void operator delete(void *memory) noexcept { std::free(memory); }
void operator delete[](void *memory) noexcept { std::free(memory); }
void operator delete(void *memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void *memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void *memory, const std::nothrow_t &) noexcept { std::free(memory); }
void operator delete[](void *memory, const std::nothrow_t &) noexcept { std::free(memory); }

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {

void __glibcxx_assert_fail(const char *, int, const char *, const char *) noexcept { std::abort(); }

void __throw_bad_alloc() { Fail(); }
void __throw_bad_array_new_length() { Fail(); }
void __throw_bad_exception() { Fail(); }
void __throw_bad_cast() { Fail(); }
void __throw_bad_typeid() { Fail(); }
void __throw_logic_error(const char *) { Fail(); }
void __throw_domain_error(const char *) { Fail(); }
void __throw_invalid_argument(const char *) { Fail(); }
void __throw_length_error(const char *) { Fail(); }
void __throw_out_of_range(const char *) { Fail(); }
void __throw_out_of_range_fmt(const char *, ...) { Fail(); }
void __throw_runtime_error(const char *) { Fail(); }
void __throw_range_error(const char *) { Fail(); }
void __throw_overflow_error(const char *) { Fail(); }
void __throw_underflow_error(const char *) { Fail(); }

}  // namespace std
