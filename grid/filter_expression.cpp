#include "grid/filter_expression.h"

#include <array>
#include <optional>
#include <vector>

#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "platform/base/format_settings.h"
#include "platform/base/number_format.h"
#include "platform/base/text.h"
#include "platform/data/data_set.h"

namespace {

constexpr std::array<std::string_view, 16> kOperatorTexts = {
    "", "=", "<>", ">", "<", ">=", "<=", "~", "!~", "In", "!In", "Null", "Null", "AND", "OR", ""};

constexpr std::string_view kQuoteIsAbsent = "Quote is absent: ";
constexpr std::string_view kOpenBracketExpected = "'(' expected: ";
constexpr std::string_view kCloseBracketExpected = "')' expected: ";
constexpr std::string_view kErrorInExpression = "Error in expression: ";
constexpr std::string_view kUnexpectedBeforeNull = "Unexpected expression before Null: ";
constexpr std::string_view kUnexpectedAfterOperator = "Unexpected expression after operator: ";
constexpr std::string_view kIncorrectExpression = "Incorrect expression: ";
constexpr std::string_view kUnexpectedAndOr = "Unexpected AND or OR: ";

enum class Keyword { kNot, kAnd, kOr, kLike, kIn, kNull };

struct KeywordForms {
  Keyword Word;
  std::string_view English;
  std::string_view Localised;  // empty: none
};

// Tried in this order, the English form first.
constexpr std::array<KeywordForms, 6> kKeywords = {{
    {Keyword::kNot, "NOT", "Not"},
    {Keyword::kAnd, "AND", "AND"},
    {Keyword::kOr, "OR", "OR"},
    {Keyword::kLike, "LIKE", ""},
    {Keyword::kIn, "IN", "In"},
    {Keyword::kNull, "NULL", "Null"},
}};

bool IsWordStop(unsigned char c) {
  if (c < 32) return true;
  switch (c) {
    case ' ':
    case '!':
    case '"':
    case '&':
    case '\'':
    case '(':
    case ')':
    case '+':
    case ',':
    case '-':
    case '.':
    case '<':
    case '=':
    case '>':
    case '|':
    case '~':
      return true;
    default:
      return false;
  }
}

struct Token {
  int Kind = fokNoneEh;
  Variant Value = Variant("");
};

// What a look-ahead from one position found: the token kind, or the message
// of the error it raised (raised again only when the look-ahead is used).
struct LookAhead {
  int Kind = fokNoneEh;
  std::optional<std::string> Error;
};

// Positions are 0-based here; "one past the end" is Text.size().
class FilterParser {
 public:
  explicit FilterParser(std::string_view text)
      : FText(text),
        FAhead{std::vector<std::optional<LookAhead>>(text.size() + 1),
               std::vector<std::optional<LookAhead>>(text.size() + 1)} {
    // A value stops at a space followed by an operator, and finding that
    // operator may itself read values. Working the look-aheads out from the
    // right keeps each of them one level deep and computed once.
    for (std::size_t pos = FText.size(); pos-- > 1;) {
      if (FText[pos - 1] != ' ' || FText[pos] == ' ') continue;
      for (int lists = 0; lists < 2; ++lists) AheadAt(pos, lists != 0);
    }
  }

  [[noreturn]] void Fail(std::string_view message) const {
    throw Exception(std::string(message) + std::string(FText));
  }

  std::size_t SkipSpaces(std::size_t pos) const {
    std::size_t i = pos;
    while (i < FText.size() && FText[i] == ' ') ++i;
    return i < FText.size() ? i : pos;
  }

  char CharAt(std::size_t pos) const { return pos < FText.size() ? FText[pos] : '\0'; }

  std::string_view ReadWord(std::size_t pos) const {
    std::size_t end = pos;
    while (end < FText.size() && !IsWordStop(static_cast<unsigned char>(FText[end]))) ++end;
    return FText.substr(pos, end - pos);
  }

  Variant ReadValue(std::size_t& pos, bool listsAllowed) {
    if (pos >= FText.size()) return Variant::Null();
    if (FText[pos] == '\'') {
      std::size_t close = FText.find('\'', pos + 1);
      if (close == std::string_view::npos) Fail(kQuoteIsAbsent);
      Variant value(FText.substr(pos + 1, close - pos - 1));
      pos = close + 1;
      return value;
    }
    std::size_t end = pos;
    for (; end < FText.size(); ++end) {
      char c = FText[end];
      if (c == '(' || c == ')' || (c == ',' && listsAllowed)) break;
      if (c == ' ' && IsOperatorAhead(end, listsAllowed)) break;
    }
    Variant value(FText.substr(pos, end - pos));
    pos = end;
    return value;
  }

  Variant ReadValues(std::size_t& pos, bool listsAllowed) {
    Variant first = ReadValue(pos, listsAllowed);
    if (VarIsNull(first) || !listsAllowed || CharAt(pos) != ',') return first;
    std::vector<Variant> items{std::move(first)};
    while (listsAllowed && CharAt(pos) == ',') {
      ++pos;
      Variant next = ReadValue(pos, listsAllowed);
      if (VarIsNull(next)) break;
      items.push_back(std::move(next));
    }
    if (items.size() == 1) return items.front();
    return VarArrayOf(std::move(items));
  }

  bool IsOperatorAhead(std::size_t spacePos, bool listsAllowed) {
    std::size_t pos = spacePos;
    while (pos < FText.size() && FText[pos] == ' ') ++pos;
    if (pos >= FText.size()) return false;
    const LookAhead& ahead = AheadAt(pos, listsAllowed);
    if (ahead.Error) throw Exception(*ahead.Error);
    return ahead.Kind >= fokEqualEh && ahead.Kind <= fokOrEh;
  }

  const LookAhead& AheadAt(std::size_t pos, bool listsAllowed) {
    std::optional<LookAhead>& slot = FAhead[listsAllowed ? 1 : 0][pos];
    if (!slot) {
      LookAhead ahead;
      try {
        std::size_t at = pos;
        ahead.Kind = NextToken(at, listsAllowed).Kind;
      } catch (const Exception& e) {
        ahead.Error = e.Message();
      }
      slot = std::move(ahead);
    }
    return *slot;
  }

  // A symbol or keyword at `pos`, consumed; 0 with `pos` unchanged when
  // there is none. NOT is returned as -1 so the caller can combine it.
  int ReadOperatorWord(std::size_t& pos) {
    char c = CharAt(pos);
    char next = CharAt(pos + 1);
    auto take = [&](std::size_t length, int kind) {
      pos += length;
      return kind;
    };
    switch (c) {
      case '<':
        if (next == '>') return take(2, fokNotEqualEh);
        if (next == '=') return take(2, fokLessOrEqualEh);
        return take(1, fokLessThanEh);
      case '>':
        if (next == '=') return take(2, fokGreaterOrEqualEh);
        return take(1, fokGreaterThanEh);
      case '!':
        if (next == '=') return take(2, fokNotEqualEh);
        return take(1, -1);
      case '=':
        return take(1, fokEqualEh);
      case '~':
        return take(1, fokLikeEh);
      case '&':
        return take(1, fokAndEh);
      case '|':
        return take(1, fokOrEh);
      case '(':
        return take(1, kOpenBracket);
      default:
        break;
    }
    std::string_view word = ReadWord(pos);
    if (word.empty()) return 0;
    std::string upper = AnsiUpperCase(word);
    for (const KeywordForms& keyword : kKeywords) {
      bool match = upper == keyword.English ||
                   (!keyword.Localised.empty() && upper == AnsiUpperCase(keyword.Localised));
      if (!match) continue;
      pos += word.size();
      switch (keyword.Word) {
        case Keyword::kNot:
          return -1;
        case Keyword::kAnd:
          return fokAndEh;
        case Keyword::kOr:
          return fokOrEh;
        case Keyword::kLike:
          return fokLikeEh;
        case Keyword::kIn:
          return kInWord;
        case Keyword::kNull:
          return fokIsNullEh;
      }
    }
    return 0;
  }

  Token NextToken(std::size_t& pos, bool listsAllowed) {
    Token token;
    if (pos >= FText.size()) return token;
    if (FText[pos] == '\'') {
      token.Value = ReadValues(pos, listsAllowed);
      token.Kind = fokValueEh;
      return token;
    }
    // NOT combines with the token after it; a run of NOTs is read in one
    // loop so that "!!!!..." cannot nest deeply.
    int nots = 0;
    int kind = ReadOperatorWord(pos);
    while (kind == -1) {
      ++nots;
      pos = SkipSpaces(pos);
      kind = pos < FText.size() && FText[pos] != '\'' ? ReadOperatorWord(pos) : 0;
    }
    if (kind == 0) {
      if (nots > 0) {
        // NOT followed by an operand (or nothing): the operand is read as a
        // token and the NOT gives 0.
        if (pos < FText.size()) {
          Variant operand = ReadValues(pos, listsAllowed);
          (void)operand;
        }
        return Token{};
      }
      token.Value = ReadValues(pos, listsAllowed);
      token.Kind = VarIsNull(token.Value) ? fokNoneEh : fokValueEh;
      return token;
    }
    pos = SkipSpaces(pos);
    if (kind == kOpenBracket) {
      kind = fokNoneEh;
    } else if (kind == kInWord) {
      if (CharAt(pos) != '(') Fail(kOpenBracketExpected);
      ++pos;
      kind = fokInEh;
    }
    if (nots == 1) {
      switch (kind) {
        case fokLikeEh:
          kind = fokNotLikeEh;
          break;
        case fokInEh:
          kind = fokNotInEh;
          break;
        case fokIsNullEh:
          kind = fokIsNotNullEh;
          break;
        default:
          kind = fokNoneEh;
          break;
      }
    } else if (nots > 1) {
      // The inner NOT already gave 8, 10, 12 or 0; the outer turns any of
      // them into 0.
      kind = fokNoneEh;
    }
    token.Kind = kind;
    return token;
  }

 private:
  static constexpr int kOpenBracket = 100;
  static constexpr int kInWord = 101;

  std::string_view FText;
  std::array<std::vector<std::optional<LookAhead>>, 2> FAhead;
};

bool ListsAllowedFor(TFilterValueTypeEh valueType) {
  return !(valueType == fvtNumberEh && FormatSettings.DecimalSeparator == ',');
}

void ConvertFilterOperand(Variant& value, TFilterValueTypeEh valueType) {
  if (VarIsNull(value)) return;
  auto convert = [valueType](const Variant& item) -> Variant {
    if (VarIsNull(item)) return item;
    if (valueType == fvtNumberEh) return Variant(StrToFloat(item.AsString()));
    if (valueType == fvtDateTimeEh) return Variant::FromDateTime(StrToDateTime(item.AsString()));
    return item;
  };
  if (valueType != fvtNumberEh && valueType != fvtDateTimeEh) return;
  if (VarIsArray(value)) {
    for (int i = VarArrayLowBound(value); i <= VarArrayHighBound(value); ++i)
      VarArrayPut(value, convert(VarArrayGet(value, i)), i);
  } else {
    value = convert(value);
  }
}

// Step 2 of the parse, shared by both conditions: an operand alone, or an
// operator with its operand or Null.
void ReadCondition(FilterParser& parser, std::size_t& pos, const Token& first,
                   TFilterValueTypeEh valueType, bool& listsAllowed, bool closeList,
                   TFilterOperatorKindEh& op, Variant& operand) {
  if (first.Kind == fokValueEh) {
    if (VarIsArray(first.Value))
      op = fokInEh;
    else if (valueType == fvtStringEh)
      op = fokLikeEh;
    else
      op = fokEqualEh;
    operand = first.Value;
    return;
  }
  bool isList = first.Kind == fokInEh || first.Kind == fokNotInEh;
  if (isList) listsAllowed = true;
  pos = parser.SkipSpaces(pos);
  Token next = parser.NextToken(pos, listsAllowed);
  op = static_cast<TFilterOperatorKindEh>(first.Kind);
  if (next.Kind == fokIsNullEh) {
    if (op == fokEqualEh)
      op = fokIsNullEh;
    else if (op == fokNotEqualEh)
      op = fokIsNotNullEh;
    else
      parser.Fail(kUnexpectedBeforeNull);
  } else {
    if (next.Kind != fokValueEh) parser.Fail(kUnexpectedAfterOperator);
    operand = next.Value;
  }
  if (isList && closeList) {
    pos = parser.SkipSpaces(pos);
    if (parser.CharAt(pos) != ')') parser.Fail(kCloseBracketExpected);
    ++pos;
    listsAllowed = ListsAllowedFor(valueType);
  }
}

struct FeaturesRegistry {
  std::vector<std::unique_ptr<TDatasetFeaturesEh>> Items;
};

FeaturesRegistry& Registry() {
  static FeaturesRegistry registry;
  return registry;
}

}  // namespace

std::string_view FilterOperatorText(int code) {
  if (code < 0 || code >= static_cast<int>(kOperatorTexts.size())) return "";
  return kOperatorTexts[static_cast<std::size_t>(code)];
}

TFilterValueTypeEh FilterValueTypeOfField(TFieldType type) {
  switch (type) {
    case ftString:
    case ftBytes:
    case ftMemo:
    case ftFmtMemo:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
      return fvtStringEh;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftAutoInc:
    case ftLargeint:
    case ftFMTBcd:
      return fvtNumberEh;
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftTimeStamp:
      return fvtDateTimeEh;
    case ftBoolean:
      return fvtBooleanEh;
    default:
      return fvtNoneEh;
  }
}

void InitFilterExpression(TSTFilterExpressionEh& expression) {
  expression.Operator1 = fokNoneEh;
  expression.Operand1 = Variant::Null();
  expression.Relation = fokNoneEh;
  expression.Operator2 = fokNoneEh;
  expression.Operand2 = Variant::Null();
}

void ParseFilterExpression(std::string_view text, TSTFilterExpressionEh& expression) {
  TFilterValueTypeEh valueType = expression.ValueType;
  bool listsAllowed = ListsAllowedFor(valueType);
  InitFilterExpression(expression);
  std::string trimmed = Trim(text);
  if (trimmed.empty()) return;
  FilterParser parser(trimmed);
  const std::size_t end = trimmed.size();

  std::size_t pos = parser.SkipSpaces(0);
  Token token = parser.NextToken(pos, listsAllowed);
  if (token.Kind == fokNoneEh) parser.Fail(kErrorInExpression);
  ReadCondition(parser, pos, token, valueType, listsAllowed, true, expression.Operator1,
                expression.Operand1);

  bool second = false;
  pos = parser.SkipSpaces(pos);
  token = parser.NextToken(pos, listsAllowed);
  if (token.Kind == fokNoneEh) {
    if (pos != end) parser.Fail(kIncorrectExpression);
  } else {
    if (token.Kind != fokAndEh && token.Kind != fokOrEh) parser.Fail(kUnexpectedAndOr);
    expression.Relation = static_cast<TFilterOperatorKindEh>(token.Kind);
    pos = parser.SkipSpaces(pos);
    token = parser.NextToken(pos, listsAllowed);
    if (token.Kind == fokNoneEh) {
      if (pos != end) parser.Fail(kIncorrectExpression);
    } else {
      second = true;
      ReadCondition(parser, pos, token, valueType, listsAllowed, false, expression.Operator2,
                    expression.Operand2);
    }
  }

  auto convert = [valueType](TFilterOperatorKindEh op, Variant& operand) {
    if (op >= fokEqualEh && op <= fokNotInEh)
      ConvertFilterOperand(operand, valueType);
    else
      operand = Variant::Null();
  };
  convert(expression.Operator1, expression.Operand1);
  if (second) convert(expression.Operator2, expression.Operand2);
}

// --- Dataset features -----------------------------------------------------

bool TDatasetFeaturesEh::MoveRecords(TCustomDBGridEh*, const std::vector<std::string>&, int&,
                                     bool) {
  return false;
}
void TDatasetFeaturesEh::ApplySorting(TCustomDBGridEh*, TDataSet*, bool) {}
void TDatasetFeaturesEh::ApplyFilter(TCustomDBGridEh*, TDataSet*, bool) {}

bool RegisterDatasetFeaturesClass(std::unique_ptr<TDatasetFeaturesEh> features) {
  if (!features) return false;
  std::string name = UpperCase(features->DataSetClass().Name);
  for (const auto& item : Registry().Items)
    if (UpperCase(item->DataSetClass().Name) == name) return false;
  Registry().Items.push_back(std::move(features));
  return true;
}

void UnregisterAllDatasetFeatures() {
  auto& items = Registry().Items;
  while (!items.empty()) items.erase(items.begin());
}

TDatasetFeaturesEh* GetDatasetFeaturesClassForDataSetClass(const TClassInfo& dataSetClass) {
  TDatasetFeaturesEh* best = nullptr;
  int bestDistance = 0;
  for (const auto& item : Registry().Items) {
    std::string name = UpperCase(item->DataSetClass().Name);
    int distance = 0;
    for (const TClassInfo* cls = &dataSetClass; cls; cls = cls->Parent, ++distance) {
      if (UpperCase(cls->Name) != name) continue;
      if (!best || distance < bestDistance) {
        best = item.get();
        bestDistance = distance;
      }
      break;
    }
  }
  return best;
}

TDatasetFeaturesEh* GetDatasetFeaturesClassForDataSet(const TDataSet* dataSet) {
  if (!dataSet) return nullptr;
  return GetDatasetFeaturesClassForDataSetClass(dataSet->ClassInfo());
}
