// The fields of one line of a ";"-separated file, kept in one string with
// the end of each field: a field costs its own bytes and four more, where a
// std::string each would cost 32 even when empty (a line of a million
// separators would take 32 MB, and every line padded to such a header as
// much again).
#ifndef ZARVEK_MEASUREMENTS_FIELD_LIST_H_
#define ZARVEK_MEASUREMENTS_FIELD_LIST_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarvek {

class FieldList {
 public:
  std::size_t size() const { return ends_.size(); }

  /// Field `i`; "" beyond the last. Valid until the list changes.
  std::string_view operator[](std::size_t i) const {
    if (i >= ends_.size()) return {};
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(data_).substr(begin, ends_[i] - begin);
  }

  void push_back(std::string_view field) {
    data_.append(field);
    ends_.push_back(static_cast<std::uint32_t>(data_.size()));
  }

  /// Keeps the first `n` fields, or adds empty ones up to `n`.
  void resize(std::size_t n) {
    if (n < ends_.size()) {
      data_.resize(n == 0 ? 0 : ends_[n - 1]);
      ends_.resize(n);
    } else {
      ends_.resize(n, static_cast<std::uint32_t>(data_.size()));
    }
  }

  /// Sets field `i`, adding empty fields before it when there are fewer.
  void Set(std::size_t i, std::string value) {
    if (i >= ends_.size()) resize(i + 1);
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    const std::size_t old_size = ends_[i] - begin;
    data_.replace(begin, old_size, value);
    for (std::size_t j = i; j < ends_.size(); ++j) {
      ends_[j] = static_cast<std::uint32_t>(ends_[j] - old_size + value.size());
    }
  }

 private:
  std::string data_;                 // the fields, one after the other
  std::vector<std::uint32_t> ends_;  // where each ends in data_
};

}  // namespace zarvek

#endif  // ZARVEK_MEASUREMENTS_FIELD_LIST_H_
