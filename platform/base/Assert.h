// Failures that make noise for developers. LUMORA_ASSERT states an internal
// invariant where the code relies on it: in the test and fuzz flavours
// (LUMORA_ASSERTIONS=1, set by the build per flavour) a broken one writes
// "assertion failed: <condition> (<why>) at <file>:<line>" to standard error,
// whatever LUMORA_DEBUG says, and aborts, so that the test or fuzz run that
// broke it stops at the cause. In the optimised flavour the check is compiled
// out: the condition is not evaluated (it must have no effect the program
// needs), only type-checked. Never for what players or skins can cause: bad
// input is handled where it enters, not asserted away.
//
// DescribeCurrentException names what a catch-all caught, for the debug line
// of code that must carry on after a failure (a message loop, a worker).
#pragma once

#include <string>

#ifndef LUMORA_ASSERTIONS
#ifdef NDEBUG
#define LUMORA_ASSERTIONS 0
#else
#define LUMORA_ASSERTIONS 1
#endif
#endif

namespace os {

[[noreturn]] void AssertionFailed(const char* condition, const char* why, const char* file, int line);

// Inside a catch block: the exception's type (demangled) and, for a
// std::exception, ": " and its what(). "no exception" outside one.
std::string DescribeCurrentException();

}  // namespace os

#if LUMORA_ASSERTIONS
#define LUMORA_ASSERT(condition, why)                  \
  (static_cast<bool>(condition) ? static_cast<void>(0) \
                                : ::os::AssertionFailed(#condition, why, __FILE__, __LINE__))
#else
#define LUMORA_ASSERT(condition, why) static_cast<void>(sizeof(static_cast<bool>(condition)))
#endif
