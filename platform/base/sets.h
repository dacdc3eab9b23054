// TSet<Enum>: a set of the values of an enumeration, as the classic "set of"
// types were. Members must have values 0..63.
//
//   TSet<TReplaceFlag> flags{rfReplaceAll, rfIgnoreCase};
//   if (flags.Contains(rfIgnoreCase)) ...
#pragma once

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <type_traits>

// The members of a set are the values of an enumeration.
template <class E>
concept TSetMember = std::is_enum_v<E>;

template <TSetMember E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> members) {
    for (E m : members) FBits |= Bit(m);
  }

  constexpr bool Contains(E m) const { return (FBits & Bit(m)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr int Count() const { return std::popcount(FBits); }
  constexpr TSet& Include(E m) {
    FBits |= Bit(m);
    return *this;
  }
  constexpr TSet& Exclude(E m) {
    FBits &= ~Bit(m);
    return *this;
  }
  // The set with `m` included or excluded according to `on`.
  constexpr TSet& Set(E m, bool on) { return on ? Include(m) : Exclude(m); }

  friend constexpr TSet operator+(TSet a, TSet b) { return FromBits(a.FBits | b.FBits); }
  friend constexpr TSet operator*(TSet a, TSet b) { return FromBits(a.FBits & b.FBits); }
  friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.FBits & ~b.FBits); }
  friend constexpr TSet operator+(TSet a, E m) { return a.Include(m); }
  friend constexpr TSet operator-(TSet a, E m) { return a.Exclude(m); }
  constexpr TSet& operator+=(TSet other) { return *this = *this + other; }
  constexpr TSet& operator-=(TSet other) { return *this = *this - other; }
  constexpr TSet& operator*=(TSet other) { return *this = *this * other; }
  friend constexpr bool operator==(TSet a, TSet b) = default;
  // Subset test, as the classic "<=" on sets.
  constexpr bool IsSubsetOf(TSet other) const { return (FBits & ~other.FBits) == 0; }

  constexpr std::uint64_t Bits() const { return FBits; }
  static constexpr TSet FromBits(std::uint64_t bits) {
    TSet s;
    s.FBits = bits;
    return s;
  }

  // Iterates the members in ascending order of value.
  class iterator {
   public:
    using value_type = E;
    using difference_type = std::ptrdiff_t;
    constexpr iterator() = default;
    constexpr explicit iterator(std::uint64_t rest) : FRest(rest) {}
    constexpr E operator*() const { return static_cast<E>(std::countr_zero(FRest)); }
    constexpr iterator& operator++() {
      FRest &= FRest - 1;
      return *this;
    }
    constexpr iterator operator++(int) {
      iterator old = *this;
      ++*this;
      return old;
    }
    friend constexpr bool operator==(iterator a, iterator b) = default;

   private:
    std::uint64_t FRest = 0;
  };
  constexpr iterator begin() const { return iterator(FBits); }
  constexpr iterator end() const { return iterator(0); }

 private:
  static constexpr std::uint64_t Bit(E m) {
    return std::uint64_t{1} << static_cast<unsigned>(static_cast<std::underlying_type_t<E>>(m));
  }
  std::uint64_t FBits = 0;
};
