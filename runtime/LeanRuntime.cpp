// Linked into Tarnwick.exe and the feedback library only, never into tests.
//
// Nothing in either file catches an exception, so every throw below ends in
// std::terminate and abort anyway. libstdc++'s own versions first build the
// exception with its message, and its terminate handler demangles the type
// name for a console that a GUI program doesn't have; together they pull in
// about 100 KB of strings, formatting and the demangler. These end the same
// way without them.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_cast() { std::terminate(); }
void __throw_bad_alloc() { std::terminate(); }
void __throw_bad_typeid() { std::terminate(); }
void __throw_bad_exception() { std::terminate(); }
void __throw_bad_array_new_length() { std::terminate(); }
void __throw_logic_error(const char*) { std::terminate(); }
void __throw_domain_error(const char*) { std::terminate(); }
void __throw_invalid_argument(const char*) { std::terminate(); }
void __throw_length_error(const char*) { std::terminate(); }
void __throw_out_of_range(const char*) { std::terminate(); }
void __throw_out_of_range_fmt(const char*, ...) { std::terminate(); }
void __throw_runtime_error(const char*) { std::terminate(); }
void __throw_range_error(const char*) { std::terminate(); }
void __throw_overflow_error(const char*) { std::terminate(); }
void __throw_underflow_error(const char*) { std::terminate(); }
void __throw_system_error(int) { std::terminate(); }
}  // namespace std
