// The one way every layer returns "a value, or why not": Result<T, E> holds
// either a T or an E (each layer has its own E: a code enum plus what a
// message needs, such as errno and the path). Result<void, E> holds nothing
// or an E. It is shaped like C++23's std::expected (has_value, value, error,
// operator*, value_or) so it can be swapped for it once every compiler the
// build uses (clang 14 for the sanitiser and fuzz builds does not) takes it.
#pragma once

#include <cassert>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace corvane {

// The failure side of a Result, as a value that converts to any Result<T, E>.
template <class E>
struct Failure {
  E error;
};

template <class E>
Failure<std::decay_t<E>> Fail(E&& error) {
  return {std::forward<E>(error)};
}

template <class T, class E>
class [[nodiscard]] Result {
 public:
  Result(const T& value) : m_value(std::in_place_index<0>, value) {}
  Result(T&& value) : m_value(std::in_place_index<0>, std::move(value)) {}
  template <class G, std::enable_if_t<std::is_constructible_v<E, G>, int> = 0>
  Result(Failure<G> failure) : m_value(std::in_place_index<1>, std::move(failure.error)) {}

  bool has_value() const { return m_value.index() == 0; }
  explicit operator bool() const { return has_value(); }

  T& value() & { assert(has_value()); return std::get<0>(m_value); }
  const T& value() const& { assert(has_value()); return std::get<0>(m_value); }
  T&& value() && { assert(has_value()); return std::get<0>(std::move(m_value)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T&& operator*() && { return std::move(*this).value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  template <class U>
  T value_or(U&& other) const& { return has_value() ? value() : static_cast<T>(std::forward<U>(other)); }

  const E& error() const& { assert(!has_value()); return std::get<1>(m_value); }
  E& error() & { assert(!has_value()); return std::get<1>(m_value); }

 private:
  std::variant<T, E> m_value;
};

template <class E>
class [[nodiscard]] Result<void, E> {
 public:
  Result() = default;
  template <class G, std::enable_if_t<std::is_constructible_v<E, G>, int> = 0>
  Result(Failure<G> failure) : m_error(std::move(failure.error)) {}

  bool has_value() const { return !m_error; }
  explicit operator bool() const { return has_value(); }
  const E& error() const& { assert(m_error); return *m_error; }
  E& error() & { assert(m_error); return *m_error; }

 private:
  std::optional<E> m_error;
};

}  // namespace corvane
