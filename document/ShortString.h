#pragma once
// A fixed-capacity single-byte string: an assignment keeps the first
// characters that fit, as the record fields of the decoded files require.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

template <std::size_t Capacity>
class TShortString {
public:
  static constexpr std::size_t kCapacity = Capacity;

  TShortString() = default;
  TShortString(std::string_view text) { Assign(text); }  // NOLINT: implicit on purpose, like an assignment

  TShortString& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }

  void Assign(std::string_view text) {
    size_ = text.size() < Capacity ? text.size() : Capacity;
    // The text may be a view of this string itself.
    std::char_traits<char>::move(chars_.data(), text.data(), size_);
  }

  std::string_view View() const { return {chars_.data(), size_}; }
  std::string Str() const { return std::string(View()); }
  std::size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }

  friend bool operator==(const TShortString& a, std::string_view b) { return a.View() == b; }

private:
  std::array<char, Capacity> chars_{};
  std::size_t size_ = 0;
};
