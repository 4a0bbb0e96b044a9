#include "platform/base/Assert.h"

#include <cxxabi.h>
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <memory>
#include <typeinfo>

namespace os {
namespace {

std::string Demangle(const char* name) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> readable(abi::__cxa_demangle(name, nullptr, nullptr, &status),
                                                       &std::free);
  return status == 0 && readable ? std::string(readable.get()) : std::string(name);
}

}  // namespace

void AssertionFailed(const char* condition, const char* why, const char* file, int line) {
  std::string text = "assertion failed: ";
  text += condition;
  text += " (";
  text += why;
  text += ") at ";
  text += file;
  text += ':';
  text += std::to_string(line);
  text += '\n';
  // One write, not through the debug output: this line is never filtered.
  if (write(STDERR_FILENO, text.data(), text.size()) < 0) {
    // Nowhere left to tell; the abort still says enough.
  }
  std::abort();
}

std::string DescribeCurrentException() {
  const std::exception_ptr current = std::current_exception();
  if (!current) return "no exception";
  const std::type_info* type = abi::__cxa_current_exception_type();
  std::string text = type != nullptr ? Demangle(type->name()) : std::string("unknown exception");
  try {
    std::rethrow_exception(current);
  } catch (const std::exception& e) {
    text += ": ";
    text += e.what();
  } catch (...) {
    // Not a std::exception: its type is all there is to say.
  }
  return text;
}

}  // namespace os
