#pragma once

// Throws Error. Where the build has no exceptions (WebAssembly, which has
// no runtime for them here), it traps instead: the module's call ends with
// an error that the page reports, and the module is not used again.
template <class TError> [[noreturn]] void Raise(const TError& Error) {
#if defined(__cpp_exceptions) || defined(__EXCEPTIONS)
  throw Error;
#else
  static_cast<void>(Error);
  __builtin_trap();
#endif
}
