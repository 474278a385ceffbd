// An index of records by name, the names compared without regard to the case
// of ASCII letters, as strcasecmp compares them in the C locale. The index
// holds views of names that the records own.
#pragma once

#include <cstddef>
#include <string_view>
#include <unordered_map>

namespace name_case {

inline unsigned char fold(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

struct Hash {
    size_t operator()(std::string_view name) const noexcept {
        size_t h = 14695981039346656037ull; // FNV-1a
        for (char c : name)
            h = (h ^ fold(c)) * 1099511628211ull;
        return h;
    }
};

struct Equal {
    bool operator()(std::string_view a, std::string_view b) const noexcept {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (fold(a[i]) != fold(b[i])) return false;
        return true;
    }
};

} // namespace name_case

template <typename Record>
using name_index = std::unordered_map<std::string_view, Record*, name_case::Hash, name_case::Equal>;
