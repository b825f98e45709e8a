// Kestrane.dll links the C++ runtime statically, and a few of the runtime's defaults would
// bring in far more than the plug-in uses: the verbose terminate handler carries the whole
// symbol demangler, the std::__throw_* helpers build exception types that hold strings of
// the old reference-counted kind (a second std::string implementation), and a failed library
// assertion prints through the demangler too. Defining them here keeps those archive members
// out of the link.
//
// Behaviour stays what the DLL relies on: nothing in Kestrane tells one exception type from
// another, since the entry points and the window and hook callbacks catch everything, so the
// helpers still throw, with the library's message. Termination and failed assertions end the
// process as before, without the text that no one could read in a shell's process.
#include <cstdlib>
#include <exception>
#include <new>

namespace {

class LibraryFailure final : public std::exception {
 public:
  explicit LibraryFailure(const char *what) : what_(what) {}
  const char *what() const noexcept override { return what_; }

 private:
  const char *what_;  // the library passes literals
};

}  // namespace

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {

void __glibcxx_assert_fail(const char *, int, const char *, const char *) noexcept { std::abort(); }

void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }
void __throw_bad_exception() { throw std::bad_exception(); }
void __throw_bad_cast() { throw LibraryFailure("bad cast"); }
void __throw_bad_typeid() { throw LibraryFailure("bad typeid"); }
void __throw_logic_error(const char *what) { throw LibraryFailure(what); }
void __throw_domain_error(const char *what) { throw LibraryFailure(what); }
void __throw_invalid_argument(const char *what) { throw LibraryFailure(what); }
void __throw_length_error(const char *what) { throw LibraryFailure(what); }
void __throw_out_of_range(const char *what) { throw LibraryFailure(what); }
void __throw_out_of_range_fmt(const char *format, ...) { throw LibraryFailure(format); }
void __throw_runtime_error(const char *what) { throw LibraryFailure(what); }
void __throw_range_error(const char *what) { throw LibraryFailure(what); }
void __throw_overflow_error(const char *what) { throw LibraryFailure(what); }
void __throw_underflow_error(const char *what) { throw LibraryFailure(what); }

}  // namespace std
