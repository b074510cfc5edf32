// The mask engine: TGenMask parses a mask picture into a table of symbols,
// holds the current value, reads and writes it whole or as its fixed part
// (prefix) and counting part (suffix), validates values against the mask and
// counts the counting part up and down between two limits. TGenerator owns one,
// the mask edit dialog another. Text is single-byte (the engine's code page).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/Event.h"
#include "framework/Object.h"
#include "framework/ShortString.h"

namespace qgen {

// Every mask value (current value, prefix, suffix, limits) is a string of at
// most 100 single-byte characters.
using TmString = ShortString<100>;

// Kind of a mask symbol, in declared order.
enum tType : std::uint8_t { STAT, ENUMS, INC, PROC, OTHER, NONE };

// Alphabet of an incremental symbol: none, digits, letters, digits then letters.
enum incType : std::uint8_t { INCNONE, INCNUM, INCCHAR, INCBOTH };

// One entry of the symbol table. The symbol's current character is
// Chars[Current]; Current is nonzero only for a set (ENUMS), whose Chars holds
// the set's members in the order written. Every other kind holds exactly one
// character, its current one. An unused entry has Kind NONE and empty Chars.
struct TMaskSymbol {
  std::int32_t Position = 0;  // index in the picture of the symbol's first character
  std::int32_t Current = 0;
  tType Kind = NONE;
  incType IncKind = INCNONE;
  std::string Chars;

  // Chars[Current], or '\0' for an unused entry.
  char CurrentChar() const {
    const auto i = static_cast<std::size_t>(Current);
    return i < Chars.size() ? Chars[i] : '\0';
  }
};

// Asked for the application's characters (OnGetPROC), told of an overflow or an
// underflow (OnOverFlow, OnSubOver); Sender is the mask.
using TGenMaskEvent = TEvent<TObject*, TmString&>;
// Told of each invalid character Validate finds: the mask, the 1-based position
// in the suffix-form value and the kind checked ("NUM", "CHAR", "CHARNUM", "ENUM").
using TOnErrorMask = TEvent<TObject*, int, const std::string&>;

class TGenMask : public TObject {
 public:
  // The table has 101 entries; a picture may hold at most 100 symbols.
  static constexpr int kTableSize = 101;
  static constexpr int kMaxSymbols = 100;

  // An empty mask: no symbols, no limits, no callbacks.
  TGenMask();
  ~TGenMask() override;

  // Number of used entries of Symbols (0 when no mask has been parsed).
  std::int32_t Count = 0;
  // Asked for the characters of the '@' symbols by GetPROC; may replace them.
  TGenMaskEvent OnGetPROC;
  // Told, with a copy of the suffix beyond the end, when Increment passes
  // EndValue or wraps; without a handler Increment calls NullValue instead.
  TGenMaskEvent OnOverFlow;
  // Told, with a copy of the suffix, when Decrement reaches StartValue or
  // wraps; without a handler Decrement calls FullValue instead.
  TGenMaskEvent OnSubOver;
  // Told of each invalid character Validate finds; without a handler Validate
  // shows a message box (caption "TGenMask", style 16) instead.
  TOnErrorMask OnErrorMask;
  std::array<TMaskSymbol, kTableSize> Symbols;
  // Limits of the counting part, in suffix form; empty means no limit.
  TmString StartValue;
  TmString EndValue;

  // Sets the counting part to StartValue, or to the lowest value of every
  // counting symbol when there is no start value.
  virtual void NullValue();
  // Sets the counting part to EndValue, or to the highest value of every
  // counting symbol when there is no end value.
  virtual void FullValue();
  // Counts the value up one step, right to left with carry. Passing EndValue
  // (by CompareText) or wrapping past the highest value is reported once
  // through OnOverFlow, or handled by NullValue without a handler.
  virtual void Increment();
  // Counts the value down one step with borrow. Standing on StartValue before a
  // step, or wrapping past the lowest value, is reported once through
  // OnSubOver, or handled by FullValue without a handler.
  virtual void Decrement();
  // Checks a suffix-form value: one character per counting symbol, left to
  // right; digits for '#', letters for '$', either for '&', a member for a set.
  // Reports every invalid or missing character (OnErrorMask, else a message
  // box) and returns false if there was one, or at once, silently, when the
  // mask has no counting symbol.
  virtual bool Validate(const TmString& s);
  // Parses a picture (up to its first NUL) into the symbol table, replacing the
  // previous one. Raises Exception on a nested '[', a missing ']', an empty set
  // or more than 100 symbols; the table is then empty (Count = 0). Limits and
  // callbacks are kept.
  virtual void ScanMask(std::string_view picture);

  // How many symbols of `kind` the mask holds: for PROC, how many characters
  // the application supplies through OnGetPROC.
  int CountSymbols(tType kind) const;

  // The current characters of the symbols of one kind, in picture order.
  TmString GetSTAT() const;
  TmString GetENUM() const;
  TmString GetINCR() const;
  // The characters of the '@' symbols after asking OnGetPROC for them: the
  // handler's string is written back into the symbols (k-th character to the
  // k-th '@'; missing ones keep theirs) and returned as the handler left it.
  TmString GetPROC();
  // The whole value.
  TmString GetMskValue() const;
  // The fixed part: static and '@' characters, after refreshing the '@' ones
  // through GetPROC.
  TmString GetPrefix();
  // The counting part: set and incremental characters.
  TmString GetSuffix() const;
  // Writes the fixed part: the k-th character of s into the k-th static or '@'
  // symbol. Validates nothing; symbols beyond the length of s keep theirs.
  void SetPrefix(const TmString& s);
  // Writes the counting part: the k-th character of s into the k-th counting
  // symbol (a set selects its first member equal to it, else its first
  // member). Validates nothing; symbols beyond the length of s keep theirs.
  void SetSuffix(const TmString& s);
  // Store a limit, then validate it (virtual Validate) and empty it if invalid.
  void SetStartValue(const TmString& s);
  void SetEndValue(const TmString& s);

 private:
  // Index of the leftmost counting symbol, or Count when there is none.
  std::int32_t FirstCountingSymbol() const;
  TmString Collect(bool stat, bool enums, bool inc, bool proc) const;
  void ClearTable();
};

// True for the digits '0'..'9'.
bool IsANum(char c);
// True for 'A'..'Z', 'a'..'z' and the upper-half letter block 0xC0..0xFF.
bool IsAChar(char c);
// Replaces every blank of text by '0', in place.
void SpcTo0(std::string& text);

}  // namespace qgen
